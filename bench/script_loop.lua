-- The loop of bench_script.cpp in Lua: the same statements on global
-- variables (the script language's variables are global names too).
function script_loop(n)
  i, x, c, d = 0, 0, 0, 0
  a, b, s = "abc", "def", ""
  for _ = 1, n do
    i = i + 1
    x = (x + i * 3) / 7 - 1.5
    c = (x > 2 and i ~= 10) and 1 or 0
    s = a .. "-" .. b
    d = (s < "zz") and 1 or 0
  end
  return x
end
