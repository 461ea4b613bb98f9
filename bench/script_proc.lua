-- The procedure of bench_script.cpp in Lua: a counted loop calling a
-- subroutine that adds to a number and builds and tests a string, on global
-- variables (the script language's variables are global names too).
local function work()
  t = t + i * 2
  s = a .. "-" .. b
  if s == "abc-def" then
    k = k + 1
  end
end

function proc_loop(n)
  a, b = "abc", "def"
  i, t, k = 0, 0, 0
  while i < n do
    i = i + 1
    work()
  end
  return t
end
