#!/usr/bin/env python3
"""Writes the seed corpora fuzz/corpus/<target>/ from the project's own real
inputs: the demo applications, the golden cases and the unit tests'
fixtures, cut to the shape each target reads (several files joined by lines
"@@@@"). Run from the checkout; the corpora it writes are committed."""
import glob
import os
import re
import struct

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SEP = b"\n@@@@\n"


def read(path):
    with open(os.path.join(ROOT, path), "rb") as f:
        return f.read()


def files(pattern):
    return sorted(glob.glob(os.path.join(ROOT, pattern)))


def write(target, name, data):
    d = os.path.join(ROOT, "fuzz", "corpus", target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, name), "wb") as f:
        f.write(data)


def prc_lines():
    out = []
    for p in files("apps/*/demo/*.prc") + files("apps/*/demo/*.PRC") + files("tests/e2e/golden/*/*.prc"):
        for line in open(p, "rb").read().splitlines():
            line = line.strip()
            if line and not line.startswith(b";"):
                out.append(line)
    return out


def test_strings(*patterns):
    out = []
    for pattern in patterns:
        for p in files(pattern):
            text = open(p, "rb").read()
            out += [m.group(1).replace(b'\\"', b'"').replace(b"\\\\", b"\\")
                    for m in re.finditer(rb'S\("((?:[^"\\]|\\.)*)"\)', text)]
    return out


def pdc(text):
    for mark, byte in ((b"<17>", b"\x17"), (b"<18>", b"\x18"), (b"<19>", b"\x19"), (b"<TAB>", b"\t")):
        text = text.replace(mark, byte)
    return text


def expr():
    seen = set()
    lines = [l for l in prc_lines() if b"=" in l or b"(" in l]
    lines += test_strings("tests/script/test_evaluator.cpp", "tests/script/test_builtins*.cpp",
                          "tests/script/test_compiled.cpp")
    n = 0
    for l in lines:
        if l in seen or len(l) > 400:
            continue
        seen.add(l)
        n += 1
        write("expr", "seed%03d" % n, l)


def procedures():
    for p in files("apps/*/demo/*.prc") + files("apps/*/demo/*.PRC") + files("tests/e2e/golden/*/*.prc"):
        name = os.path.basename(os.path.dirname(p)) + "_" + os.path.basename(p)
        write("procedures", name, read(p))
    write("procedures", "flow_lib", read("tests/e2e/golden/lang_flow/flow.prc") + SEP +
          read("tests/e2e/golden/lang_flow/lib.prc"))


def macros():
    texts = test_strings("tests/script/test_macros.cpp")
    for i, t in enumerate(dict.fromkeys(texts)):
        write("macros", "seed%03d" % i, bytes([i % 256]) + t + SEP + b"NAME:value:X:[n]")


def formats():
    masks = [b"#,##0.00", b"##.##", b"#########0,.2", b"\\\\LANGVARS.DAT", b"N10", b"212", b"A20",
             b"D8", b"(###) ###-####", b".##", b"??-\\\\\\", b"L1"]
    values = [b"1234.5", b"-5", b"", b"31/02/2024", b"2024-01-15", b"13.13.2024", b"20240230",
              b"150624", b"20240615", b"12:30:15", b"1.234,56", b"abc", b"99999999999999999999999"]
    n = 0
    for m in masks:
        for v in values[:5] if m != b"D8" else values:
            n += 1
            write("formats", "seed%03d" % n, m + SEP + v)


def messages():
    langvars = read("apps/administration/demo/GALANGVARS.DAT")
    for p in files("apps/*/demo/KX_LANG_*.MSJ"):
        write("messages", os.path.basename(os.path.dirname(os.path.dirname(p))) + "_" + os.path.basename(p),
              read(p) + SEP + langvars)


def menus():
    pmts = files("apps/*/demo/*.PMT") + files("tests/fixtures/menus/*.PMT")
    ppns = files("tests/fixtures/menus/*.PPN")
    for i, p in enumerate(pmts):
        write("menus", "pmt_" + os.path.basename(p), read(p) + SEP)
    for p in ppns:
        write("menus", "ppn_" + os.path.basename(p), SEP + read(p).replace(b"SUBMENU", b"FZTREE"))


def options():
    for p in files("tests/e2e/golden/*/args"):
        write("options", "args_" + os.path.basename(os.path.dirname(p)), read(p).strip() + b"\n%TEMP%\\x.txt")
    for line in [b"/DPATH:C:\\APPS\\DATA /TRACE=9 /APNAME:GA\n..\\APPS\\%APNAME%DICC.DAT",
                 b"--dpath=\"/home/me/data\" -mode:prntofile /RUN:\"PrcExec a.prc\"\n%DATAPATH%\\%HOMEPATH%",
                 b"/INPUT:cmds.txt /OUTPUT:out.txt /DATABASE:db /USER:u /PASSW:'p w'\n%DATABASE_DBNAME%.txt"]:
        write("options", "line%d" % len(line), line)


def dictionary():
    for prefix in ("accounting/demo/CO", "administration/demo/GA"):
        base = "apps/" + prefix
        rel = read(base + "REL.DAT")
        relup = read(base + "RELUP.DAT")
        write("dictionary", os.path.basename(prefix), read(base + "DICC.DAT") + SEP + rel + SEP + SEP + relup)
    fx = "tests/fixtures/dictionary/"
    for p in files(fx + "*DICC.DAT"):
        pre = os.path.basename(p)[:2]
        rel = read(fx + pre + "REL.DAT") if os.path.exists(os.path.join(ROOT, fx + pre + "REL.DAT")) else b""
        write("dictionary", "fixture_" + pre, read(p) + SEP + rel)
    write("dictionary", "nested", b"01 Main**01MAIN\r\n01 CODE  004 ACODE\r\n01 Nested*$*NS\r\n31 <0001004\r\n" + SEP +
          b"61 :2R1K1=CODE{1}\r\n" + SEP + b"01 Inner**01INNER\r\n01 ICODE 004 AICODE\r\n" + SEP +
          b"0101 CODE{1}=CODE{1}\r\n")


def index(free, keys):
    return struct.pack("<II", len(free), len(keys[0]) if keys else 0) + b"".join(
        struct.pack("<I", n) for n in free) + b"".join(struct.pack("<I", n) for k in keys for n in k)


def datafile():
    recs = [b"C01 Anna  ", b"C02 Bob   ", b"C03 Carl  "]
    write("datafile", "three", b"".join(recs) + SEP + index([], [[0, 1, 2], [0, 1, 2]]))
    write("datafile", "empty", SEP)
    write("datafile", "deleted", recs[0] + b"\x1b" + recs[1][1:] + recs[2] + SEP + index([1], [[0, 2], [0, 2]]))
    write("datafile", "readonly", b"A01 Zed   B02 Amy   " + SEP + index([], [[0, 1], [1, 0]]))
    write("datafile", "noindex", b"".join(recs) + SEP)


def uiscript():
    text = read("platform/ui/SCRIPT.md")
    for i, block in enumerate(re.findall(rb"```\n(.*?)```", text, re.S)):
        write("uiscript", "scriptmd%02d" % i, block)
    write("uiscript", "calc", b'wait-top title="Target File"\nkey Down\nkey Enter\nwait-top title="Target File"\nkey Esc\n')


def screens():
    for pan in files("apps/*/demo/*.PAN"):
        ppn = pan[:-3] + "PPN"
        body = read(pan) + SEP + (open(ppn, "rb").read() if os.path.exists(ppn) else b"")
        write("screens", os.path.basename(pan), body)
    write("screens", "tagged", b"01 10310000006A\r\n01 10410000010A\r\n01 00101<?>Status\r\n" + SEP +
          b"01 FD$:CODE,NAME:WINDOWS$:\"CUST;1;LIST\":SCREENSIZE$:'64,14'\r\n")


def reports():
    for p in files("apps/*/demo/pdc/*"):
        write("reports", os.path.basename(p), pdc(read(p)) + SEP)
    write("reports", "include", pdc(b"01001Head\r\n00001:INCLUDE 'INC.PDC'\r\n0000110|<19>CODE{1}\r\n") + SEP +
          pdc(b"02001Included\r\n"))
    write("reports", "dynamic", pdc(b"01001:DYNAMIC_LINE 'INC.PDC'\r\n") + SEP + b"line one\r\nline two\r\n")


def devices():
    specs = [b"out.txt /LP:20 /WD:60", b"CON", b"LPT1", b"COM1:9600,N,8,1", b"reports/STATS/out.txt /LP:5",
             b"out.pdf", b"NONE", b"PRN /VW:1", b"lp0", b"out.txt /ST:2 /WD=10"]
    for i, s in enumerate(specs):
        write("devices", "spec%02d" % i, s + b"\nHello \x0c world\n\x1b[1mBold\xe1\xf1\nA very long line that wraps " * 2)


def acceptlist():
    texts = test_strings("tests/screens/test_acceptlist.cpp", "tests/screens/test_forms.cpp")
    texts += [b"'Kgs:':'26','Tot:':'26' /FD$=\"_SUM#,_TOT#\":ASSIGN$=\",_SUM#+_TOT#\":_SUM#$=\"_TOT#\"",
              b"CODE{1}>=,CODE{1}<=", b"{2,5}Name:'A20':n$:'x':t$ /ROW 3"]
    for p in files("tests/e2e/golden/*/FORMS.PPN"):
        for line in read(p).splitlines():
            if b":" in line:
                texts.append(line[3:])
    for i, t in enumerate(dict.fromkeys(texts)):
        write("acceptlist", "seed%03d" % i, t + SEP + b"'A1','Smith',12.5,'20240615'")


def helptext():
    specs = b"FZHELP.HLP,1\n,2\nFZHELP.HLP,101\n'FZHELP.HLP', 3\n,0\n,65536\nNOFILE.HLP,1\nFZHELP.HLP"
    for p in files("apps/*/demo/*.HLP"):
        write("helptext", os.path.basename(p), read(p) + SEP + specs)


def inputfile():
    for d in ("accept_batch", "admin_input", "input_file"):
        g = "tests/e2e/golden/" + d + "/"
        cmds = read(g + ("batch.txt" if d == "admin_input" else "cmds.txt"))
        prc = read(g + "first.prc") if d == "admin_input" else b""
        write("inputfile", d, cmds.replace(b"first.prc", b"SUB.PRC") + SEP + prc)


def pictures():
    def bmp(width, height, bits=24, info=40, compression=0):
        row = (width * bits + 31) // 32 * 4
        size = row * abs(height)
        pixels = 14 + info + (4 << bits if bits <= 8 else 0)
        if info == 12:
            head = struct.pack("<IHHHH", 12, width, height, 1, bits)
        else:
            head = struct.pack("<IiiHHIIiiII", info, width, height, 1, bits, compression, size, 2835, 2835,
                               0, 0) + b"\0" * (info - 40)
        body = head + b"\0" * (pixels - 14 - info) + b"\xff" * size
        return b"BM" + struct.pack("<IHHI", 14 + len(body), 0, 0, pixels) + body
    shapes = {"24bit": bmp(3, 2), "core": bmp(5, 3, 8, 12), "8bit": bmp(4, 4, 8), "1bit": bmp(9, 1, 1),
              "v5": bmp(2, 2, 32, 124, 3), "rle": bmp(4, 4, 8, 40, 1), "topdown": bmp(3, -2)}
    for name, data in shapes.items():
        write("pictures", name, data)
    write("pictures", "cut", bmp(3, 2)[:30])


def imports():
    def rec(code, name, bal, since):
        return code.ljust(4).encode() + name.ljust(6).encode() + bal.rjust(10).encode() + since.encode()
    new, upd = rec("C10", "Nina", "1.50", "20240615"), rec("C01", "Anne", "-2.00", "20240101")
    rows = [
        ("relative", b"0", new + upd),
        ("relative_buffsize", b"0\n\n\n32", new + b"####"),
        ("sequential", b"0x10", new + b"\r\n" + upd + b"\r\n\x1b\r\n"),
        ("sequential_struct", b"0x12\nCODE,NAME,BAL", b"C11 Short 7\r\n\r\n"),
        ("delimited", b"0x30", b'"C12","Dora",1,234.5,"31/12/2024"\r\n C13 ; \'O"K\' ;;\r\n'),
        ("delimited_semicolon", b"0x32\nCODE,NAME{}=FN$CHNG(_$(30);'x';'Lower'),BAL\n;",
         b"C01;x;-0.5\r\nC14;y;\r\n"),
        ("list", b"0x4010", b"CODE NAME         BAL SINCE\r\n==== ====== ========== ========\r\n"
                            b"C15  Lisa        3.25 15/06/2024\r\n"),
        ("list_header", b"0x4010\n\n\n\nCODE NAME", b"C16  Hugo       -1.00 01/01/2000\r\n"),
        ("overwrite", b"0x210", upd + b"\r\n"),
        ("replace", b"0x18", new + b"\r\n"),
        ("indexchk", b"0x90", new + b"\r\n"),
        ("bad_lines", b"0x10", new + b"\r\n\r\n" + b"x" * 1100 + b"\r\nC1"),
    ]
    for name, settings, content in rows:
        write("imports", name, settings + SEP + content)


def transconfigs():
    demo = read("apps/accounting/demo/data/COtrans.ppn").replace(b"ACCOUNTS", b"CLIENTS").replace(b"=52", b"=308")
    rows = [
        ("demo", demo, b"Second one"),
        ("two", b" 0 FD$='Out','In \"x\"'\r\n 1 TRANSPARMSMODE%=308\r\n 1 TARGET$='out.csv'\r\n 1 FILE='CLIENTS'\r\n"
                b" 1 STRUCT$='CODE,NAME'\r\n 2 TRANSPARMSMODE%=309\r\n 2 TARGET$=\"out.csv\"\r\n 2 FILE='1'\r\n"
                b" 2 FLDELIM$=';'\r\n", b"Third"),
        ("import", b" 0 FD$='Back'\r\n 1 TRANSPARMSMODE%=277\r\n 1 TARGET$='in.txt'\r\n 1 FILE='CLIENTS'\r\n",
         b"back" + SEP + b"C02 Bob         1.00\r\nC01 Anne       -2.00\r\n"),
        ("bad_mode", b" 0 FD$='M'\r\n 1 TRANSPARMSMODE%=x\r\n 3 FILE='CLIENTS'\r\n", b"M"),
        ("missing_tag", b" 0 FD$='A','B'\r\n 1 FILE='CLIENTS'\r\n", b"a,b"),
        ("empty", b"", b"New"),
    ]
    for name, ppn, new in rows:
        write("transconfigs", name, ppn + SEP + new)


def c_strings(path, start, end=b";"):
    """The C string literals of a table that begins at `start` in a source."""
    text = read(path)
    at = text.index(start)
    body = text[at:text.index(end, at)]
    return b"".join(re.findall(rb'"((?:[^"\\]|\\.)*)"', body))


def dict_file(target, words):
    d = os.path.join(ROOT, "fuzz", "dict")
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, target + ".dict"), "wb") as f:
        for w in dict.fromkeys(words):
            if not w:
                continue
            esc = b"".join(bytes([c]) if 32 <= c < 127 and c not in b'"\\' else b"\\x%02X" % c for c in w)
            f.write(b'"' + esc + b'"\n')


def dicts():
    statements = c_strings("script/prccompile.cpp", b"const char kPrcKeywords[]").split(b",")
    builtins = c_strings("script/builtins.cpp", b"const char kBuiltinNames[]").split(b",")
    builtins += [b"PayDate$", b"StatMove", b"StGetList"]
    operators = [b"*", b"/", b"!", b"%", b"\xF7", b"+", b"-", b"=", b">", b"<", b"==", b">=", b"<=", b"<>", b"&",
                 b"|", b"@", b"&&", b"||", b"@@", b"(", b")", b";", b",", b"'", b'"', b"{", b"}", b"{1}", b"[", b"]"]
    sysvars = re.findall(rb'\{"(_[A-Z0-9_$]+)"', read("runtime/sysvars.cpp"))
    params = re.findall(rb'"([A-Z_]+[$%]?(?:\(\d\))?)"', read("script/objparams.cpp"))
    params = [p for p in params if len(p) > 2 and (p.endswith(b"$") or p.endswith(b"%"))]
    script = statements + builtins + operators + sysvars
    script += [b + b"(" for b in builtins] + [b"a#(", b"t$(", b"n", b"x#", b"s$", b"d$", b"'20240615'", b"65535"]
    dict_file("expr", script)
    dict_file("procedures", script + [b"\n", b"\r\n", b"; "] + params)
    dict_file("macros", script + [b"[", b"]", b"[$]", b"\\{", b"\\}", b"%", b"NAME:"])
    dict_file("formats", [b"#", b"0", b".", b",", b",.", b"\\", b"?", b"-", b"/", b"@@@@", b"\n@@@@\n"] +
              [bytes([c]) for c in b"ANDFL0123456789V"])
    dict_file("messages", [b"\n@@@@\n", b"\\n", b"0001 ", b"0255 ", b"=", b"\r\n"])
    dict_file("menus", [b"\t", b",", b"\n@@@@\n", b"\r\n", b"01 ", b"MENU$:", b"CALLER$:", b"LOAD$:", b"EXEC$:",
                        b"PrcExec ", b"MantMain ", b"Report,", b"'"])
    dict_file("options", [b"/", b"-", b"--", b":", b"=", b"&", b"'", b'"', b"%", b"\\", b"..", b"C:"] +
              [b"/" + o + b":" for o in (b"DPATH", b"APNAME", b"APSTART", b"RUN", b"MODE", b"TRACE", b"INPUT",
                                         b"OUTPUT", b"CONFIG", b"DEVICE", b"USER", b"PASSW", b"DATABASE")] +
              [b"%" + v + b"%" for v in (b"TEMP", b"APNAME", b"DATAPATH", b"HELPPATH", b"COMMANDLINE",
                                         b"DATABASE_DBNAME", b"USERPROFILE", b"HOMEPATH")])
    dict_file("dictionary", [b"\n@@@@\n", b"\r\n", b"01 ", b"31 <", b"61 ", b"*", b"*$*", b"**01", b" 004 A",
                             b"0001004", b"N_LINE", b":", b"R1K1=", b"DICC.DAT\n"])
    dict_file("datafile", [b"\n@@@@\n", b"\x1b", b"\x00\x00\x00\x00", b"\x01\x00\x00\x00",
                           b"\x03\x00\x00\x00", b"\xff\xff\xff\xff"])
    dict_file("uiscript", [b"key ", b"type ", b"scan ", b"click ", b"dblclick ", b"rclick ", b"lv-click ",
                           b"list-select ", b"combo-select ", b"scroll ", b"answer ", b"wait-top ", b"close",
                           b"menu ", b"device ", b"popup ", b"dialog ", b"advance ", b"expect-text ",
                           b"expect-box ", b"expect-lv ", b"snapshot ", b"class=", b"title=", b"match ", b"Esc",
                           b"Enter", b"Tab", b"Shift+", b"Ctrl+", b"\\x", b"\"", b"#"])
    screen = params + [b"\n@@@@\n", b"01 ", b"\r\n", b"<?>", b"{1}", b":", b"'", b'"'] + builtins
    dict_file("screens", screen)
    dict_file("acceptlist", screen + [b"/ROW ", b"/COL ", b" /", b"{2,5}", b"'A20'", b"'26'", b"'D8'", b"'V'",
                                      b"CODE{1}>=", b"NAME{}"])
    dict_file("reports", script + [b"\x17", b"\x18", b"\x19", b"\t", b"|", b" /", b":INCLUDE ",
                                   b":DYNAMIC_LINE ", b"ATEND$:", b"BRKEND$:", b"BREAK$:", b"COND$:",
                                   b"MAXLINE%:", b"LINESTEP%:", b"TOTALBASE%:", b"CONTINUE%:", b"EXTRASTEP%:",
                                   b"WD:", b"[$]", b",.#", b"\n@@@@\n", b"01001", b"00001"])
    dict_file("helptext", [b"\n@@@@\n", b"\r\n", b"\n", b"01 ", b"0101 ", b",", b"FZHELP.HLP,", b"'", b";"])
    dict_file("inputfile", [b"\n@@@@\n", b"\r\n", b"\n", b"ExpEval ", b"PrcExec ", b"PrcExec SUB.PRC",
                            b"AcceptRun ", b"MantMain ", b"Report ", b"'", b","] + script)
    dict_file("pictures", [b"BM", b"\x28\x00\x00\x00", b"\x0c\x00\x00\x00", b"\x7c\x00\x00\x00",
                           b"\x01\x00", b"\x18\x00", b"\x20\x00", b"\xff\x7f", b"\x00\x80", b"\xff\xff\xff\xff",
                           b"\x36\x00\x00\x00"])
    dict_file("imports", [b"\n@@@@\n", b"\r\n", b"\n", b"0x10", b"0x30", b"0x4010", b"0x202", b"0x8", b"0x80",
                          b"CODE", b"NAME", b"BAL", b"SINCE", b"{}", b"{1}", b",", b";", b"'", b'"', b"\x1b",
                          b"15/06/2024", b"20240615", b"1,234.50", b"-0.5", b"=", b"_$(30)"] + builtins)
    dict_file("transconfigs", [b"\n@@@@\n", b"\r\n", b" 0 FD$=", b" 1 ", b" 2 ", b"99 ", b"TRANSPARMSMODE%=",
                               b"TARGET$=", b"FILE=", b"'", b'"', b",", b"CLIENTS"] + params)
    dict_file("serialline", [b"\x40\r", b"\x41\r\n", b"\x40\n", b"\x40\x1b", b"\x14", b"\x08", b"\x8f9", b"\xff"])
    dict_file("devices", [b"/LP:", b"/WD:", b"/ST:", b"/VW:", b"=", b"CON", b"LPT1", b"COM1:9600,N,8,1", b"PRN",
                          b".pdf", b".txt", b"NONE", b"lp0", b"usb0", b"\x0c", b"\x1b", b"\r\n"])


def serialline():
    """A device's bytes and the polls that read them (fuzz/targets/serialline.cpp)."""
    def arrive(b):
        out = b""
        while b:
            out += bytes([0x40 | (len(b[:64]) - 1)]) + b[:64]
            b = b[64:]
        return out
    pause = lambda ms: bytes([ms // 50]) if ms >= 50 else bytes([0xC0 | ms])
    write("serialline", "scan", arrive(b"12345\r"))
    write("serialline", "lineends", arrive(b"\r\n987\r\nXYZ\r") + arrive(b"\n"))
    write("serialline", "silence", arrive(b"777") + pause(400) + pause(400) + pause(400))
    write("serialline", "joined", arrive(b"123") + pause(300) + arrive(b"45\r"))
    write("serialline", "trickle", b"".join(arrive(bytes([c])) + pause(400) for c in b"4300123456\r"))
    write("serialline", "overlong", bytes([0x8F]) + b"9" + arrive(b"999999\r") + arrive(b"42\r"))
    write("serialline", "escape", arrive(b"\x1b4300\r"))
    write("serialline", "flood", (bytes([0xBF]) + b"x" + pause(5)) * 6 + arrive(b"\r"))
    write("serialline", "binary", arrive(bytes(range(256))) + pause(1000))


for fn in (dicts, expr, procedures, macros, formats, messages, menus, options, dictionary, datafile, uiscript, screens,
           reports, devices, acceptlist, helptext, inputfile, pictures, imports, transconfigs, serialline):
    fn()
