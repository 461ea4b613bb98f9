-- The loop of bench/script_process.prc in Lua, on global variables (the
-- script language's variables are global names too): 10^6 passes of number
-- arithmetic, a 16-bit counter that wraps as the script's integers do, and
-- a subroutine that builds and compares a string; the result to out.txt.
a, b = "abc", "def"
i, t, k = 0, 0, 0
local function work()
  t = t + i * 2
  s = a .. "-" .. b
  if s == "abc-def" then
    k = (k + 1 + 32768) % 65536 - 32768
  end
end
while i < 1000000 do
  i = i + 1
  work()
end
local out = io.open("out.txt", "w")
out:write(string.format("%d.00 %d.00", t, k))
out:close()
