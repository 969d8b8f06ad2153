#include "tools/rc/DialogParser.h"

#include <commctrl.h>

#include <limits>

#include "tools/rc/StandardNames.h"

namespace zrq::rc {
namespace {

constexpr uint32_t kControlDefaults = WS_CHILD | WS_VISIBLE;

enum class Shape { TextFirst, IdFirst, Control };

struct ControlForm {
  const char *keyword;
  Shape shape;
  uint16_t classOrdinal; // 0 for CONTROL, which names its class
  uint32_t defaults;
};

// Predefined window classes by name, as the template stores them.
constexpr std::pair<const char *, uint16_t> kClassOrdinals[] = {
    {"BUTTON", 0x80},  {"EDIT", 0x81},      {"STATIC", 0x82},
    {"LISTBOX", 0x83}, {"SCROLLBAR", 0x84}, {"COMBOBOX", 0x85}};

constexpr ControlForm kForms[] = {
    {"CONTROL", Shape::Control, 0, 0},
    {"LTEXT", Shape::TextFirst, 0x82, SS_LEFT | WS_GROUP},
    {"RTEXT", Shape::TextFirst, 0x82, SS_RIGHT | WS_GROUP},
    {"CTEXT", Shape::TextFirst, 0x82, SS_CENTER | WS_GROUP},
    {"PUSHBUTTON", Shape::TextFirst, 0x80, BS_PUSHBUTTON | WS_TABSTOP},
    {"DEFPUSHBUTTON", Shape::TextFirst, 0x80, BS_DEFPUSHBUTTON | WS_TABSTOP},
    {"GROUPBOX", Shape::TextFirst, 0x80, BS_GROUPBOX},
    {"EDITTEXT", Shape::IdFirst, 0x81, ES_LEFT | WS_BORDER | WS_TABSTOP},
    {"COMBOBOX", Shape::IdFirst, 0x85, CBS_SIMPLE | WS_TABSTOP},
};

std::string Upper(std::string s) {
  for (char &c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

class DialogReader {
public:
  DialogReader(Lexer &lexer, const SymbolLookup &symbols) : lexer(lexer), symbols(symbols) {}

  DialogResource Read() {
    DialogResource dialog;
    const Token first = Next();
    dialog.x = Coordinate(first);
    Expect(TokenKind::Comma, "DIALOGEX needs x, y, width and height");
    dialog.y = Coordinate(Next());
    Expect(TokenKind::Comma, "DIALOGEX needs x, y, width and height");
    dialog.cx = Coordinate(Next());
    Expect(TokenKind::Comma, "DIALOGEX needs x, y, width and height");
    dialog.cy = Coordinate(Next());
    Token t = Next();
    if (t.kind == TokenKind::Comma) dialog.helpId = Value(Next()), t = Next();

    bool styled = false;
    uint32_t added = 0;
    for (; t.kind != TokenKind::Begin; t = Next()) {
      if (t.kind != TokenKind::Word) throw ScriptError{t.line, "expected BEGIN or a dialog option"};
      if (t.text == "STYLE") {
        dialog.style = Value(Next()), styled = true;
      } else if (t.text == "EXSTYLE") {
        dialog.exStyle = Value(Next());
      } else if (t.text == "CAPTION") {
        dialog.caption = Text(Next(), "CAPTION needs a string");
        added |= WS_CAPTION;
      } else if (t.text == "CLASS") {
        dialog.windowClass = Text(Next(), "CLASS needs a string");
      } else if (t.text == "MENU") {
        const Token menu = Next();
        if (menu.kind == TokenKind::Word && !Known(menu.text))
          dialog.menu.name = std::u16string(menu.text.begin(), menu.text.end());
        else
          dialog.menu.id = Id16(menu);
      } else if (t.text == "FONT") {
        ReadFont(dialog);
        added |= DS_SETFONT;
      } else {
        throw ScriptError{t.line, "unknown dialog option " + t.text};
      }
    }
    dialog.style = (styled ? dialog.style : WS_POPUP | WS_BORDER | WS_SYSMENU) | added;

    for (t = Next(); t.kind != TokenKind::End; t = Next()) {
      if (t.kind == TokenKind::EndOfFile) throw ScriptError{t.line, "DIALOGEX without END"};
      dialog.items.push_back(ReadControl(t));
      if (dialog.items.size() > 0xFFFF) throw ScriptError{t.line, "too many controls"};
    }
    return dialog;
  }

private:
  Token Next() {
    if (pending) {
      Token t = std::move(*pending);
      pending.reset();
      return t;
    }
    return lexer.Next();
  }
  void PushBack(Token t) { pending = std::move(t); }

  void Expect(TokenKind kind, const char *message) {
    const Token t = Next();
    if (t.kind != kind) throw ScriptError{t.line, message};
  }

  bool Known(const std::string &name) const { return symbols(name) || StandardName(name); }

  std::u16string Text(const Token &t, const char *message) {
    if (t.kind != TokenKind::String) throw ScriptError{t.line, message};
    return t.string;
  }

  // expression := term { (| or +) term }; the value wraps to 32 bits as rc's does.
  uint32_t Value(Token t) { return Expression(t, nullptr); }

  uint32_t Expression(Token t, uint32_t *cleared) {
    uint32_t value = Term(t, cleared);
    for (;;) {
      Token op = Next();
      if (op.kind != TokenKind::Punct || (op.text != "|" && op.text != "+")) {
        PushBack(std::move(op));
        return value;
      }
      const uint32_t rhs = Term(Next(), cleared);
      value = op.text == "|" ? (value | rhs) : (value + rhs);
    }
  }

  uint32_t Term(const Token &t, uint32_t *cleared) {
    if (t.kind == TokenKind::Number) return t.number;
    if (t.kind == TokenKind::Punct && t.text == "-") return 0u - Term(Next(), nullptr);
    if (t.kind == TokenKind::Punct && t.text == "(") {
      const uint32_t v = Expression(Next(), nullptr);
      Expect(TokenKind::Punct, "expected )");
      return v;
    }
    if (t.kind == TokenKind::Word && t.text == "NOT") {
      if (!cleared) throw ScriptError{t.line, "NOT is only allowed in a control's style"};
      *cleared |= Term(Next(), nullptr);
      return 0;
    }
    if (t.kind == TokenKind::Word) {
      if (auto v = symbols(t.text)) return *v;
      if (auto v = StandardName(t.text)) return *v;
      throw ScriptError{t.line, "unknown name " + t.text};
    }
    throw ScriptError{t.line, "expected a number"};
  }

  int16_t Coordinate(const Token &t) {
    const auto v = static_cast<int32_t>(Value(t));
    if (v < std::numeric_limits<int16_t>::min() || v > std::numeric_limits<int16_t>::max())
      throw ScriptError{t.line, "coordinate " + std::to_string(v) + " is outside -32768..32767"};
    return static_cast<int16_t>(v);
  }

  uint16_t Id16(const Token &t) {
    const uint32_t v = Value(t);
    if (v > 0xFFFF) throw ScriptError{t.line, "id " + std::to_string(v) + " is above 65535"};
    return static_cast<uint16_t>(v);
  }

  void ReadFont(DialogResource &dialog) {
    const Token size = Next();
    dialog.pointSize = Id16(size);
    Expect(TokenKind::Comma, "FONT needs a size and a typeface");
    dialog.typeface = Text(Next(), "FONT needs a typeface string");
    const Token t = Next();
    if (t.kind != TokenKind::Comma) return PushBack(t);
    dialog.weight = Id16(Next());
    if (const Token u = Next(); u.kind != TokenKind::Comma) return PushBack(u);
    dialog.italic = Value(Next()) ? 1 : 0;
    if (const Token u = Next(); u.kind != TokenKind::Comma) return PushBack(u);
    const Token charset = Next();
    const uint32_t c = Value(charset);
    if (c > 0xFF) throw ScriptError{charset.line, "charset is above 255"};
    dialog.charset = static_cast<uint8_t>(c);
  }

  // A comma and then a value, or nothing when the statement has ended.
  bool OptionalComma() {
    Token t = Next();
    if (t.kind == TokenKind::Comma) return true;
    PushBack(std::move(t));
    return false;
  }

  DialogItem ReadControl(const Token &keyword) {
    const ControlForm *form = nullptr;
    if (keyword.kind == TokenKind::Word)
      for (const ControlForm &f : kForms)
        if (keyword.text == f.keyword) form = &f;
    if (!form)
      throw ScriptError{keyword.line,
                        "unknown control statement " + (keyword.text.empty() ? "" : keyword.text)};
    const std::string what = std::string(form->keyword) + " needs ";

    DialogItem item;
    item.windowClass.id = form->classOrdinal;
    if (form->shape != Shape::IdFirst) {
      const Token text = Next();
      if (text.kind != TokenKind::String) throw ScriptError{text.line, what + "its text first"};
      item.text = text.string;
      Expect(TokenKind::Comma, (what + "an id after the text").c_str());
    }
    item.id = Value(Next());
    uint32_t cleared = 0;
    uint32_t style = form->defaults;
    if (form->shape == Shape::Control) {
      Expect(TokenKind::Comma, "CONTROL needs a class after the id");
      ReadClass(item);
      Expect(TokenKind::Comma, "CONTROL needs a style after the class");
      style |= Expression(Next(), &cleared);
    }
    const char *place = "needs x, y, width and height";
    int16_t *fields[] = {&item.x, &item.y, &item.cx, &item.cy};
    for (int16_t *field : fields) {
      Expect(TokenKind::Comma, (std::string(form->keyword) + " " + place).c_str());
      *field = Coordinate(Next());
    }
    if (form->shape != Shape::Control && OptionalComma()) style |= Expression(Next(), &cleared);
    if (OptionalComma()) item.exStyle = Value(Next());
    if (OptionalComma()) item.helpId = Value(Next());
    item.style = (style | kControlDefaults) & ~cleared;
    return item;
  }

  void ReadClass(DialogItem &item) {
    const Token t = Next();
    std::string name;
    if (t.kind == TokenKind::String) {
      for (char16_t c : t.string) name += c < 0x80 ? static_cast<char>(c) : '?';
    } else if (t.kind == TokenKind::Word) {
      name = t.text;
    } else {
      throw ScriptError{t.line, "CONTROL needs a class name"};
    }
    if (name.empty()) throw ScriptError{t.line, "CONTROL needs a class name"};
    for (const auto &[className, ordinal] : kClassOrdinals) {
      if (Upper(name) == className) {
        item.windowClass.id = ordinal;
        return;
      }
    }
    item.windowClass.name =
        t.kind == TokenKind::String ? t.string : std::u16string(name.begin(), name.end());
  }

  Lexer &lexer;
  const SymbolLookup &symbols;
  std::optional<Token> pending;
};

} // namespace

DialogResource ReadDialogEx(Lexer &lexer, const SymbolLookup &symbols) {
  return DialogReader(lexer, symbols).Read();
}

} // namespace zrq::rc
