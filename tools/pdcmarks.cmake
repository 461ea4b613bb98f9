# Writes the report definitions of a folder with their control bytes: the
# definitions are kept as text in which "<17>", "<18>" and "<19>" stand for
# the placeholder bytes 0x17 (a line at a fixed line), 0x18 (a relative
# line) and 0x19 (a group line), and "<TAB>" for the TAB that ends the
# condition of a conditional line.
#   cmake -DSRC=<folder of the texts> -DOUT=<folder written> -P pdcmarks.cmake
file(GLOB defs "${SRC}/*")
string(ASCII 23 fixed)
string(ASCII 24 relative)
string(ASCII 25 group)
string(ASCII 9 tab)
file(MAKE_DIRECTORY "${OUT}")
foreach(def ${defs})
  file(READ "${def}" text)
  string(REPLACE "<17>" "${fixed}" text "${text}")
  string(REPLACE "<18>" "${relative}" text "${text}")
  string(REPLACE "<19>" "${group}" text "${text}")
  string(REPLACE "<TAB>" "${tab}" text "${text}")
  get_filename_component(name "${def}" NAME)
  file(WRITE "${OUT}/${name}" "${text}")
endforeach()
