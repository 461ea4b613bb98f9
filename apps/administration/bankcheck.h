// Check digits of bank accounts: the two control digits of a domestic
// account (entity 4 digits, office 4, control 2, account 10) and the IBAN
// check digits (mod 97-10), for the built-ins Iban$ and Mod.
//
// Control digit of a digit string padded on the left to 10 digits: the sum
// of each digit times the weight of its position (2^i mod 11 from the left:
// 1 2 4 8 5 10 9 7 3 6), r = sum mod 11; the digit is r when r is 0 or 1,
// else 11 - r. The first control digit comes from entity + office, the
// second from the account.
//
// IBAN check digits: the 20-digit domestic number, the two-letter country
// and "00", letters read as 10 (A) to 35 (Z); 98 minus the remainder of
// that number by 97, two digits.
//
// Only texts that check give a result: a part or a prefix that does not
// check gives the empty text, never an error. An entity or office that is
// not 4 digits, or an empty account, also leaves the text of 163 in the
// error detail (nothing is recorded).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/status.h"

// The two control digits of the account (entity and office exactly 4
// characters, the account 1-10 digits); empty when they cannot be made.
std::string BankControlDigits(std::string_view entity, std::string_view office, std::string_view account);

// The IBAN check digits of a 20-character domestic number in a country (two
// letters, any case): two digits; 163 BADINPUTDATA for other lengths or a
// country that is not two letters.
Status IbanCheckDigits(std::string_view country, std::string_view domestic, std::string* out);

// The normalised account "PPKK,EEEE,OOOO,CC,AAAAAAAAAA": each part trimmed
// of blanks and padded on the left with zeros to its width (a part with
// another character than a digit, or longer than its width, does not check);
// an empty control takes the computed one, a given one must equal it; an
// empty prefix stands for "ES"; a two-letter prefix gets its check digits,
// a longer one must carry the right ones in its characters 3-4 and be 4
// characters long. Empty when anything does not check.
std::string IbanCompose(std::string_view prefix, std::string_view entity, std::string_view office,
                        std::string_view control, std::string_view account);

// The remainder of a text of decimal digits by a divisor of 1..32767, read
// 8 characters at a time with the remainder so far in front (exact for any
// length). 147 SINTAXERROR for another character or divisor.
Status DigitsMod(std::string_view digits, int32_t divisor, int32_t* out);

// The text as Mod reads it: blanks dropped, letters (any case) as 10-35,
// digits as they are. 147 SINTAXERROR for any other character.
Status ModDigits(std::string_view text, std::string* out);
