// The administration built-ins as scripts call them: amounts in words and
// wrapping (FN$TXTN), VAT tables (VAT$, VATv), counters (AUTONUM) and
// document series (DocSer$).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>

#include <cstdio>

#include "apps/administration/counters.h"
#include "platform/host/clock.h"
#include "runtime/messages.h"
#include "tests/administration/adm_fixture.h"

namespace {

class AdmBuiltinTest : public AdmDemoTest {
 protected:
  // Without the demo's counters file.
  void SetUp() override {
    AdmDemoTest::SetUp();
    std::filesystem::remove(app.dir() + "/GACOUNT.DAT");
  }
  // Status of an expression text (0 number, 1 string, or the error).
  static Status Run(const std::string& text) {
    uint16_t m = StrAreaMark(-1);
    Status s = ExpExecText(Sv(text));
    StrAreaMark(m);
    return s;
  }
  static std::string S(const std::string& text) { return AdmApp::Str(text); }
  static int64_t N(const std::string& text) { return AdmApp::Cents(text); }
  std::string Counters() const { return AdmApp::Files(app.dir())["GACOUNT.DAT"]; }
  bool HasCounters() const { return std::filesystem::exists(app.dir() + "/GACOUNT.DAT"); }
};

// --- Amounts in words --------------------------------------------------------

struct WordsCase {
  const char* amount;
  const char* words;
};

// Written from Spanish grammar, in the program's spelling (no accents but
// the one of "millón", held as the single byte 0xF3).
const WordsCase kWords[] = {
    {"1", "uno"},
    {"2", "dos"},
    {"3", "tres"},
    {"4", "cuatro"},
    {"5", "cinco"},
    {"6", "seis"},
    {"7", "siete"},
    {"8", "ocho"},
    {"9", "nueve"},
    {"10", "diez"},
    {"11", "once"},
    {"12", "doce"},
    {"13", "trece"},
    {"14", "catorce"},
    {"15", "quince"},
    {"16", "dieciseis"},
    {"17", "diecisiete"},
    {"18", "dieciocho"},
    {"19", "diecinueve"},
    {"20", "veinte"},
    {"21", "veintiuno"},
    {"22", "veintidos"},
    {"23", "veintitres"},
    {"26", "veintiseis"},
    {"29", "veintinueve"},
    {"30", "treinta"},
    {"35", "treinta y cinco"},
    {"40", "cuarenta"},
    {"41", "cuarenta y uno"},
    {"50", "cincuenta"},
    {"60", "sesenta"},
    {"70", "setenta"},
    {"80", "ochenta"},
    {"99", "noventa y nueve"},
    {"100", "cien"},
    {"101", "ciento uno"},
    {"115", "ciento quince"},
    {"121", "ciento veintiuno"},
    {"200", "doscientos"},
    {"300", "trescientos"},
    {"400", "cuatrocientos"},
    {"500", "quinientos"},
    {"555", "quinientos cincuenta y cinco"},
    {"600", "seiscientos"},
    {"700", "setecientos"},
    {"800", "ochocientos"},
    {"900", "novecientos"},
    {"999", "novecientos noventa y nueve"},
    {"1000", "mil"},
    {"1001", "mil uno"},
    {"1100", "mil cien"},
    {"2000", "dos mil"},
    {"15000", "quince mil"},
    {"21000", "veintiun mil"},
    {"31000", "treinta y un mil"},
    {"100000", "cien mil"},
    {"101000", "ciento un mil"},
    {"200200", "doscientos mil doscientos"},
    {"1000000", "un mill\xF3n"},
    {"1000500", "un mill\xF3n quinientos"},
    {"1001000", "un mill\xF3n mil"},
    {"2000000", "dos millones"},
    {"21000000", "veintiun millones"},
    {"101000000", "ciento un millones"},
    {"1000000000", "mil millones"},
    {"1001000000", "mil un millones"},
    {"2500000000", "dos mil quinientos millones"},
    {"21000001001", "veintiun mil millones mil uno"},
    {"21001001001", "veintiun mil un millones mil uno"},
    {"999999999999",
     "novecientos noventa y nueve mil novecientos noventa y nueve millones novecientos noventa y nueve mil "
     "novecientos noventa y nueve"},
    {"12.5", "doce con cincuenta"},
    {"12.05", "doce con cinco"},
    {"0.5", "cero con cincuenta"},
    {"0.01", "cero con uno"},
    {"-5", "cinco negativas"},
    {"-1000.1", "mil con diez negativas"},
    {"0", ""},
};

// Every row in both catalogues: the words do not depend on the language.
TEST_F(AdmBuiltinTest, AmountsInWords) {
  for (const char* lang : {"EN", "ES"}) {
    std::filesystem::copy_file(kDemoDir + "/KX_LANG_" + std::string(lang) + ".MSJ",
                               app.dir() + "/KX_LANG_" + lang + ".MSJ");
    ASSERT_EQ(DynStrSet(SettingsList, SetLanguageItem, Sv(lang)), 0);
    MsgCatalogReset();
    ASSERT_EQ(MsgCatalogLoad(), 0);
    ASSERT_EQ(MsgCatalogState(), kCatalogLoaded) << lang;
    ASSERT_EQ(Run("_PRECIS=2,_DX=2"), 0);
    for (const WordsCase& c : kWords) EXPECT_EQ(S(std::string("FN$TXTN(") + c.amount + ")"), c.words) << lang << " " << c.amount;
  }
}

// The decimals are read with _PRECIS digits and padded on the right to _DX;
// amounts from 10^12 on have no words; a number takes no width.
TEST_F(AdmBuiltinTest, WordsDecimalsBoundsAndArguments) {
  struct Case {
    const char* setup;
    const char* call;
    Status status;
    const char* words;
  } cases[] = {
      {"_PRECIS=1,_DX=2", "FN$TXTN(12.5)", 1, "doce con cincuenta"},
      {"_PRECIS=2,_DX=0", "FN$TXTN(12.5)", 1, "doce con cincuenta"},
      {"_PRECIS=3,_DX=2", "FN$TXTN(0.005)", 1, "cero con cinco"},
      {"_PRECIS=0,_DX=2", "FN$TXTN(7)", 1, "siete"},
      {"_PRECIS=2,_DX=2", "FN$TXTN(1000000000000)", st::DATAOUTBOUND, ""},
      {"_PRECIS=2,_DX=2", "FN$TXTN(-1000000000000)", st::DATAOUTBOUND, ""},
      {"_PRECIS=2,_DX=2", "FN$TXTN(5;10)", st::SINTAXERROR, ""},
      {"_PRECIS=2,_DX=2", "FN$TXTN('uno';'x')", st::SINTAXERROR, ""},
      {"_PRECIS=2,_DX=2", "FN$TXTN()", st::SINTAXERROR, ""},
      {"_PRECIS=2,_DX=2", "FN$TXTN(1;2;3)", st::SINTAXERROR, ""},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(Run(c.setup), 0) << c.setup;
    EXPECT_EQ(Run(c.call), c.status) << c.setup << " " << c.call;
    if (c.status == 1) {
      EXPECT_EQ(S(c.call), c.words) << c.setup << " " << c.call;
    }
  }
}

// Wrapping a text one piece per call, the cursor in _USER03.
TEST_F(AdmBuiltinTest, WrapsATextPieceByPiece) {
  struct Case {
    const char* text;
    int width;
    std::vector<std::string> pieces;  // then the empty text
  } cases[] = {
      {"uno dos tres cuatro", 8, {"uno dos", "tres", "cuatro"}},
      {"uno dos", 7, {"uno dos"}},  // a rest that fits is not broken
      {"abcdefghijklmnopqrstuvwxyz0123 fin", 10, {"abcdefghijklmnopqrstuvwxyz0123", "fin"}},
      {"abcdefghijklmnopqrstuvwxyz0123", 10, {"abcdefghijklmnopqrstuvwxyz0123"}},
      {"uno  dos", 4, {"uno", "dos"}},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(Run("_USER03=0,T$='" + std::string(c.text) + "'"), 1);
    std::string call = "FN$TXTN(T$;" + std::to_string(c.width) + ")";
    for (const std::string& piece : c.pieces) EXPECT_EQ(S(call), piece) << c.text;
    EXPECT_EQ(S(call), "") << c.text;
    EXPECT_EQ(S(call), "") << c.text;
  }
  // Width 0 (or below, or none) takes the whole rest and sets the cursor to 0.
  for (const char* call : {"FN$TXTN(T$;0)", "FN$TXTN(T$;-3)", "FN$TXTN(T$)"}) {
    ASSERT_EQ(Run("T$='uno dos tres',_USER03=4"), 0);  // the last value a number
    EXPECT_EQ(S(call), "dos tres") << call;
    EXPECT_EQ(N("_USER03"), 0) << call;
  }
  // The words of a number reset the cursor.
  ASSERT_EQ(Run("_USER03=9"), 0);
  EXPECT_EQ(S("FN$TXTN(1100)"), "mil cien");
  EXPECT_EQ(N("_USER03"), 0);
  // An amount's words wrapped at 20.
  ASSERT_EQ(Run("W$=FN$TXTN(1234567.89)"), 1);
  std::string joined;
  for (int i = 0; i < 8; ++i) {
    std::string piece = S("FN$TXTN(W$;20)");
    if (piece.empty()) break;
    EXPECT_LE(piece.size(), 20u) << piece;
    joined += (joined.empty() ? "" : " ") + piece;
  }
  EXPECT_EQ(joined, "un mill\xF3n doscientos treinta y cuatro mil quinientos sesenta y siete con ochenta y nueve");
}

// --- VAT tables ------------------------------------------------------------------

TEST_F(AdmBuiltinTest, VatTablesAddByRateInFirstSeenOrder) {
  ASSERT_EQ(Run("T$=VAT$('';21;100)"), 1);
  EXPECT_EQ(N("VATv(T$;0)"), 100);
  EXPECT_EQ(N("VATv(T$)"), 100);
  ASSERT_EQ(Run("T$=VAT$(T$;21;50)"), 1);
  EXPECT_EQ(N("VATv(T$;0)"), 100);
  EXPECT_EQ(N("VATv(T$;1;1)"), 15000);
  EXPECT_EQ(N("VATv(T$;1;0)"), 2100);
  EXPECT_EQ(N("VATv(T$;1)"), 2100);  // part 0 by default
  ASSERT_EQ(Run("T$=VAT$(T$;21.00;0.25),T$=VAT$(T$;10;0),T$=VAT$(T$;10;5.5),T$=VAT$(T$;4;-2)"), 1);
  EXPECT_EQ(N("VATv(T$;0)"), 300);
  EXPECT_EQ(N("VATv(T$;1;1)"), 15025);
  EXPECT_EQ(N("VATv(T$;2;0)"), 1000);
  EXPECT_EQ(N("VATv(T$;2;1)"), 550);
  EXPECT_EQ(N("VATv(T$;3;0)"), 400);
  EXPECT_EQ(N("VATv(T$;3;1)"), -200);
  EXPECT_EQ(N("VATv(T$;4;1)"), 0);
  EXPECT_EQ(N("VATv(T$;-1;1)"), 0);
  EXPECT_EQ(N("FN#SLEN(T$)"), 4800);
  // A zero amount gives the table back unchanged, byte for byte.
  std::string before = S("T$");
  EXPECT_EQ(S("VAT$(T$;7;0)"), before);
  // Rate lists: an empty table gets one zero entry per rate; a non-empty one
  // the rates it lacks, in the list's order.
  ASSERT_EQ(Run("R$=VAT$('';'21,10, 4,,10')"), 1);
  EXPECT_EQ(N("VATv(R$;0)"), 300);
  EXPECT_EQ(N("VATv(R$;3;0)*100+VATv(R$;3;1)"), 40000);
  ASSERT_EQ(Run("R$=VAT$(T$;'21,5,10')"), 1);
  EXPECT_EQ(N("VATv(R$;0)"), 400);
  EXPECT_EQ(N("VATv(R$;4;0)"), 500);
  EXPECT_EQ(N("VATv(R$;1;1)"), 15025);
  // Tables pass intact through variables and concatenation.
  ASSERT_EQ(Run("U$=T$+VAT$('';5.2;1),V$=U$"), 1);
  EXPECT_EQ(N("VATv(V$;0)"), 400);
  EXPECT_EQ(N("VATv(V$;4;0)"), 520);
  EXPECT_EQ(N("VATv(V$;1;1)"), 15025);
  // Only whole entries count; a table written back drops the rest.
  ASSERT_EQ(Run("X$=VAT$('';21;1)+'abcd'"), 1);
  EXPECT_EQ(N("FN#SLEN(X$)"), 2000);
  EXPECT_EQ(N("VATv(X$;0)"), 100);
  EXPECT_EQ(N("VATv(X$;2;0)"), 0);
  EXPECT_EQ(N("FN#SLEN(VAT$(X$;10;1))"), 3200);
  EXPECT_EQ(N("VATv('abc';0)"), 0);
  // Errors.
  for (const char* call : {"VATv(T$;1;2)", "VATv(T$;1;-1)", "VAT$(T$;'21';5)", "VAT$(T$;21;'5')", "VAT$(5;21;5)",
                           "VATv(5)", "VATv()", "VAT$()", "VATv(T$;1;1;1)", "VAT$(T$;1;1;1)"})
    EXPECT_EQ(Run(call), st::SINTAXERROR) << call;
  ASSERT_EQ(Run("B$=VAT$('';1;92233720368547758)"), 1);
  EXPECT_EQ(Run("VAT$(B$;1;1)"), st::DATAOUTBOUND);
}

// --- Counters ----------------------------------------------------------------------

// A counter's key is the current file's name, "_" and the name; reading
// gives the stored value + 1 and writes nothing; storing answers the value.
TEST_F(AdmBuiltinTest, CountersReadAndStore) {
  EXPECT_EQ(N("AUTONUM('INV')"), 100);
  EXPECT_FALSE(HasCounters());
  EXPECT_EQ(N("AUTONUM('INV';41)"), 4100);
  std::string file = Counters();
  ASSERT_EQ(file.size(), 4096u + 4094u);
  EXPECT_EQ(file.substr(0, 13), "INVOICES_INV ");
  EXPECT_EQ(file.substr(4094, 2), "\r\n");
  EXPECT_EQ(file.substr(13, 4081), std::string(4081, ' '));
  EXPECT_EQ(file.substr(4096, 8), "      41");
  EXPECT_EQ(N("AUTONUM('INV')"), 4200);
  EXPECT_EQ(N("AUTONUM('INV';0)"), 4200);  // 0 reads
  EXPECT_EQ(N("AUTONUM('NEW')"), 100);     // a new name on the file
  EXPECT_EQ(Counters(), file);
  // A second counter takes the next 8 characters; the first stays.
  EXPECT_EQ(N("AUTONUM('X';-9999999)"), -999999900);
  file = Counters();
  EXPECT_EQ(file.substr(0, 23), "INVOICES_INV,INVOICES_X");
  EXPECT_EQ(file.substr(4096, 16), "      41-9999999");
  EXPECT_EQ(N("AUTONUM('X')"), -999999800);
  // Values that do not fit 8 characters write nothing.
  for (const char* call : {"AUTONUM('X';100000000)", "AUTONUM('X';-10000000)", "AUTONUM('NEW';123456789)"}) {
    EXPECT_EQ(Run(call), st::DATAOUTBOUND) << call;
    EXPECT_EQ(Counters(), file) << call;
  }
  EXPECT_EQ(N("AUTONUM('X';99999999)"), 9999999900);
  EXPECT_EQ(Counters().substr(4096, 16), "      4199999999");
  // Without a current file the name alone is the key.
  ASSERT_EQ(Run("_CURFIL=0"), 0);
  EXPECT_EQ(N("AUTONUM('INV')"), 100);
  EXPECT_EQ(N("AUTONUM('INV';3)"), 300);
  EXPECT_EQ(Counters().substr(0, 28), "INVOICES_INV,INVOICES_X,INV ");
  EXPECT_EQ(Counters().substr(4112, 8), "       3");
}

TEST_F(AdmBuiltinTest, CounterNamesAndHeaderBounds) {
  struct Case {
    const char* call;
    Status status;
  } cases[] = {
      {"AUTONUM('')", st::BADINPUTDATA},      {"AUTONUM('A,B';1)", st::BADINPUTDATA},
      {"AUTONUM(' A')", st::BADINPUTDATA},    {"AUTONUM('A ';1)", st::BADINPUTDATA},
      {"AUTONUM(5)", st::SINTAXERROR},        {"AUTONUM('A';'1')", st::SINTAXERROR},
      {"AUTONUM()", st::SINTAXERROR},         {"AUTONUM('A';1;1)", st::SINTAXERROR},
  };
  for (const Case& c : cases) EXPECT_EQ(Run(c.call), c.status) << c.call;
  EXPECT_FALSE(HasCounters());
  // A key list that would pass 4094 bytes: 168, the file unchanged.
  std::string keys = "K" + std::string(4080, 'k');
  std::string header = keys + std::string(4094 - keys.size(), ' ') + "\r\n";
  std::ofstream(app.dir() + "/GACOUNT.DAT", std::ios::binary) << header << "       7";
  EXPECT_EQ(N("AUTONUM('" + keys + "')"), 100);  // not the file's key: "INVOICES_" in front
  ASSERT_EQ(Run("_CURFIL=0"), 0);
  EXPECT_EQ(N("AUTONUM('" + keys + "')"), 800);
  std::string full = Counters();
  EXPECT_EQ(Run("AUTONUM('ABCDEFGHIJKLM';1)"), st::DATAOUTBOUND);
  EXPECT_EQ(Counters(), full);
  EXPECT_EQ(N("AUTONUM('ABCDEFGHIJKL';1)"), 100);  // exactly 4094 bytes fit
  EXPECT_EQ(Counters().substr(0, 4096), keys + ",ABCDEFGHIJKL\r\n");
  // A file cut short: the counters it lacks read 0, the header stays.
  std::ofstream(app.dir() + "/GACOUNT.DAT", std::ios::binary) << "A,B,C" << std::string(4089, ' ') << "\r\n"
                                                              << "       5    ";
  EXPECT_EQ(N("AUTONUM('A')"), 600);
  EXPECT_EQ(N("AUTONUM('B')"), 100);
  EXPECT_EQ(N("AUTONUM('C')"), 100);
  EXPECT_EQ(N("AUTONUM('C';12)"), 1200);
  EXPECT_EQ(Counters().size(), 4108u + 4094u);
  EXPECT_EQ(Counters().substr(0, 4096), "A,B,C" + std::string(4089, ' ') + "\r\n");
  EXPECT_EQ(Counters().substr(4096, 24), "       5" + std::string(8, ' ') + "      12");
}

// Counters far down the list read and write as the first ones do, up to a
// value the end of the file cuts short.
TEST_F(AdmBuiltinTest, ManyCountersAndAValueCutShortFarDown) {
  const int count = 130;
  std::string list, values;
  for (int k = 1; k <= count; ++k) {
    list += (k > 1 ? "," : "") + std::string("K") + std::to_string(k);
    char digits[9];
    std::snprintf(digits, sizeof digits, "%8d", k * 3);
    values += digits;
  }
  values.resize(values.size() - 3);  // the last value is cut short
  std::ofstream(app.dir() + "/GACOUNT.DAT", std::ios::binary)
      << list << std::string(4094 - list.size(), ' ') << "\r\n" << values;
  ASSERT_EQ(Run("_CURFIL=0"), 0);
  for (int k : {1, 63, 64, 65, 66, 100, 129}) EXPECT_EQ(N("AUTONUM('K" + std::to_string(k) + "')"), (k * 3 + 1) * 100) << k;
  EXPECT_EQ(N("AUTONUM('K130')"), 100);
  EXPECT_EQ(N("AUTONUM('K131')"), 100);
  EXPECT_EQ(N("AUTONUM('K65';500)"), 50000);
  EXPECT_EQ(N("AUTONUM('K130';7)"), 700);
  EXPECT_EQ(N("AUTONUM('K65')"), 50100);
  EXPECT_EQ(N("AUTONUM('K130')"), 800);
  EXPECT_EQ(N("AUTONUM('K64')"), (64 * 3 + 1) * 100);
  std::string file = Counters();
  EXPECT_EQ(file.substr(4096 + 64 * 8, 8), "     500");
  EXPECT_EQ(file.substr(4096 + 129 * 8, 8), "       7");
}

// The file lies in the current directory while CCO is 0, else under the
// data directory; a writer waits for another one's lock.
TEST_F(AdmBuiltinTest, CountersFileAndLock) {
  EXPECT_EQ(AutoNumFilePath().Str(), "GACOUNT.DAT");
  ASSERT_EQ(Run("CCO=1"), 0);
  std::string full = AutoNumFilePath().Str();
  EXPECT_EQ(full.substr(full.size() - 17), "\\data\\GACOUNT.DAT") << full;
  ASSERT_EQ(Run("CCO=0"), 0);
  ASSERT_EQ(N("AUTONUM('L';1)"), 100);
  int other = ::open((app.dir() + "/GACOUNT.DAT").c_str(), O_RDWR);
  ASSERT_GE(other, 0);
  ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
  ManualClock clock(1000);
  {
    ClockScope scope(&clock);
    int64_t start = clock.MonotonicMs();
    EXPECT_EQ(Run("AUTONUM('L';2)"), st::PERMISSIONDENIED);
    EXPECT_GE(clock.MonotonicMs(), start + 5000);
    EXPECT_EQ(N("AUTONUM('L')"), 200);  // reading does not wait
  }
  ::close(other);
  EXPECT_EQ(N("AUTONUM('L';2)"), 200);
  EXPECT_EQ(N("AUTONUM('L')"), 300);
}

// --- Document series ------------------------------------------------------------

TEST_F(AdmBuiltinTest, DocumentSeries) {
  ManualClock clock;
  ClockScope scope(&clock);
  clock.SetLocal(LocalTime{2031, 5, 6, 10, 0, 0});
  struct Case {
    const char* compat;
    const char* call;
    Status status;
    const char* result;
  } cases[] = {
      {"0", "DocSer$('A';'20250314')", 1, "A25"},
      {"0", "DocSer$('Abc';20250314)", 1, "A25"},
      {"0", "DocSer$('';'20250314')", 1, "25"},
      {"0", "DocSer$('A';'')", 1, "A31"},
      {"0", "DocSer$('A';'   ')", 1, "A31"},
      {"0", "DocSer$('B';'2015')", 1, "B15"},
      {"2048", "DocSer$('A';'20150101')", 1, "AB5"},
      {"2048", "DocSer$('A';'20050101')", 1, "AA5"},
      {"2048", "DocSer$('A';'20250101')", 1, "A25"},
      {"2048", "DocSer$('A';'19991231')", 1, "A99"},
      {"0", "DocSer$('A';'201')", st::SINTAXERROR, ""},
      {"0", "DocSer$('A')", st::SINTAXERROR, ""},
      {"0", "DocSer$('A';'20250314';1)", st::SINTAXERROR, ""},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(Run(std::string("_COMPAT=") + c.compat), 0);
    EXPECT_EQ(Run(c.call), c.status) << c.call;
    if (c.status == 1) {
      EXPECT_EQ(S(c.call), c.result) << c.call;
    }
  }
}

}  // namespace
