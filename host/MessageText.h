// How the tools' one-line messages say things: names quoted so that nothing in them can break
// the line or reach a terminal raw, and the system's errors in plain words.
#pragma once

#include <string>
#include <string_view>

// The text with every byte a terminal would act on written as an escape: \n, \r, \t, and \xNN
// for the other control characters, DEL, the C1 controls and bytes that are not UTF-8.
// Printable UTF-8 stays as it is.
std::string Printable(std::string_view text);

// A file name (or any text from the user) for a message: 'like this', made Printable.
std::string Quoted(std::string_view name);

// A number as messages show it: "0.5", "1e+308", "nan", "-inf".
std::string NumberText(double value);

// Why a call failed with this errno value, in plain words ("no space is left on the device").
std::string SystemReason(int error);
