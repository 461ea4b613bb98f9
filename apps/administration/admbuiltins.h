// The built-in functions of the administration program, registered in start
// phase 2 through the built-in registry (script/builtins.h):
//
//   FN$TXTN(number)          the amount in Spanish words (amountwords.h);
//                            _USER03 := 0
//   FN$TXTN(text[;width])    the next piece of the text wrapped at the width,
//                            from the cursor _USER03, which moves past it
//   VAT$(table;rate;amount)  the VAT table with the amount added at the rate
//   VAT$(table;rates)        the table with a zero entry for each missing
//                            rate of the comma list (vattable.h)
//   VATv(table[;n[;part]])   n 0: the number of entries; else part 0 the
//                            rate, 1 the total of entry n; 0 past the end
//   AUTONUM(name)            the counter's stored value + 1, nothing stored
//   AUTONUM(name;value)      stores the value and answers it; a value of 0
//                            reads instead (counters.h)
//   DocSer$(series;date)     the series prefix of a document number
//   Iban$(prefix;entity;office;control;account)  the checked account,
//                            "PPKK,EEEE,OOOO,CC,AAAAAAAAAA", or empty
//   Mod(text[;divisor])      the remainder of the text read as a number,
//                            letters as 10-35, divisor 97 by default
//                            (bankcheck.h)
//
// A number is accepted where a text of digits is wanted (a whole,
// non-negative number as its digits), so Iban$('ES';2100;418;;200051332)
// works. A text where a number is wanted, a wrong argument count, a VATv
// part other than 0 and 1, or a Mod text or divisor that Mod cannot read is
// 147 SINTAXERROR.
#pragma once
#include "runtime/status.h"

// Registers VATv, VAT$, AUTONUM, DocSer$ and FN$TXTN, in this order.
Status AdmBuiltinsRegister();
// Registers Iban$ and Mod (start phase 2 registers PayDate$ between the two
// calls).
Status AdmBankBuiltinsRegister();
