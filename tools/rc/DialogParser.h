// The DIALOGEX statement of a resource script:
//
//   name DIALOGEX x, y, width, height [, helpID]
//   [STYLE style] [EXSTYLE style] [CAPTION "text"] [CLASS "name"] [MENU name]
//   [FONT points, "typeface" [, weight [, italic [, charset]]]]
//   BEGIN
//     CONTROL "text", id, class, style, x, y, width, height [, exstyle [, helpID]]
//     LTEXT | RTEXT | CTEXT | PUSHBUTTON | DEFPUSHBUTTON | GROUPBOX
//            "text", id, x, y, width, height [, style [, exstyle [, helpID]]]
//     EDITTEXT | COMBOBOX  id, x, y, width, height [, style [, exstyle [, helpID]]]
//   END
//
// Numbers are expressions of numbers and names joined by | and +, with unary - and
// parentheses; in a control's style, NOT name removes bits from the statement's defaults
// (every control is WS_CHILD | WS_VISIBLE; text statements add WS_GROUP and their alignment,
// push buttons and edits WS_TABSTOP, edits WS_BORDER, combo boxes CBS_SIMPLE | WS_TABSTOP).
// Without STYLE a dialog is WS_POPUP | WS_BORDER | WS_SYSMENU; FONT adds DS_SETFONT and
// CAPTION WS_CAPTION.
#pragma once

#include <functional>
#include <optional>

#include "tools/rc/DialogResource.h"
#include "tools/rc/ScriptLexer.h"

namespace zrq::rc {

// The script's own #define names, looked up before the standard ones.
using SymbolLookup = std::function<std::optional<uint32_t>(const std::string &)>;

// Reads a DIALOGEX statement after its keyword, through its END; throws ScriptError.
[[nodiscard]] DialogResource ReadDialogEx(Lexer &lexer, const SymbolLookup &symbols);

} // namespace zrq::rc
