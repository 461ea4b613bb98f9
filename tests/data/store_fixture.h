// Shared set-up of the record-store tests: a CUSTOMER file of 16-byte
// records (CODE A6 at 0, NAME A10 at 6), key 1 on CODE and key 2 on NAME,
// in a private temporary directory.
#pragma once
#include <string>
#include <vector>

#include "data/store/datastore.h"
#include "data/store/reccheck.h"
#include "data/store/recio.h"
#include "support/runtime_fixture.h"

inline std::string Img(const std::string& code, const std::string& name) {
  std::string r = code;
  r.resize(6, ' ');
  std::string n = name;
  n.resize(10, ' ');
  return r + n;
}

inline std::vector<RecKey> CustomerKeys() {
  return {RecKey{{KeySeg{0, 6}}}, RecKey{{KeySeg{6, 10}}}};
}

inline std::string ReadBytes(const std::string& path) {
  std::string b;
  bool missing = false;
  recio::ReadWhole(path, &b, &missing);
  return b;
}

class StoreTest : public RuntimeTest {
 protected:
  TempDir dir;
  StoreLayout layout;
  std::vector<char> pair;
  DataStore store;

  void SetUp() override {
    RuntimeTest::SetUp();
    recio::FaultReset();
    layout.name = "CUSTOMER";
    layout.location = dir.path();
    layout.recLen = 16;
    layout.keys = CustomerKeys();
    pair.assign(32, ' ');
    store.SetOwner(1);
    store.SetPairSource([this](Status*) { return pair.data(); });
  }
  void TearDown() override {
    store.Close();
    recio::FaultReset();
    RuntimeTest::TearDown();
  }

  std::string DataPath() const { return dir.File("CUSTOMER.FD"); }
  std::string IndexPath() const { return dir.File("CUSTOMER.DIR"); }
  RecCheckSpec Spec() const { return RecCheckSpec{DataPath(), IndexPath(), 16, CustomerKeys()}; }

  Status Open(uint8_t flags = 0, StoreEnv env = StoreEnv()) {
    bool already = false;
    Status s = store.Open(layout, flags, env, &already);
    return s != 0 ? s : store.Start();
  }
  void SetCur(const std::string& img) { std::copy(img.begin(), img.end(), pair.begin()); }
  std::string Cur() const { return std::string(pair.data(), 16); }
  std::string Saved() const { return std::string(pair.data() + 16, 16); }
  Status Add(const std::string& code, const std::string& name) {
    store.Move(dfmove::kNew);
    SetCur(Img(code, name));
    return store.Insert();
  }
  // Codes in the order of key k, read by stepping through the file.
  std::string Order(int key) {
    std::string out;
    store.KeySet(key);
    for (Status s = store.Move(dfmove::kFirst); s == 0; s = store.Move(dfmove::kNext))
    {
      if (!out.empty()) out += ',';
      out += Cur().substr(0, 3);
    }
    return out;
  }
};
