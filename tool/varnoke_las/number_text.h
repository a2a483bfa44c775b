// Numbers as text, the same bytes on every platform. A finite double is written in the shortest
// form that reads back to the same bits (std::to_chars); the others as "inf", "-inf", "nan" and
// "-nan", and a NaN whose fraction field is not the usual 0x8000000000000 with its fraction in
// hexadecimal: "nan(0x1)", "-nan(0x4000000000000)".
#ifndef VARNOKE_LAS_NUMBER_TEXT_H
#define VARNOKE_LAS_NUMBER_TEXT_H

#include <cstdint>
#include <string>

namespace varnoke_las {

void append_number(std::string &out, uint64_t value);
void append_number(std::string &out, double value);

}  // namespace varnoke_las

#endif
