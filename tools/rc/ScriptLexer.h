// The resource script's tokens: words, numbers, strings and punctuation, with their lines.
#pragma once

#include <cctype>
#include <cstdint>
#include <string>

namespace zrq::rc {

// Punct is one of | + - ( ), in text.
enum class TokenKind { Word, Number, String, Comma, Begin, End, Punct, EndOfFile };

struct Token {
  TokenKind kind = TokenKind::EndOfFile;
  std::string text; // a word as written
  uint32_t number = 0;
  std::u16string string; // a string literal, decoded
  int line = 0;
};

struct ScriptError {
  int line;
  std::string message;
};

inline void AppendUtf16(std::u16string &out, char32_t c) {
  if (c >= 0x10000) {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  } else {
    out += static_cast<char16_t>(c);
  }
}

class Lexer {
public:
  explicit Lexer(std::string text) : text(std::move(text)) {
    if (this->text.starts_with("\xEF\xBB\xBF")) at = 3;
  }

  // Directives are handed to the caller as words starting with '#', with the rest of the
  // line as the following words.
  Token Next() {
    SkipSpaceAndComments();
    Token token;
    token.line = line;
    if (at >= text.size()) return token;
    const char c = text[at];
    if (c == ',') return ++at, token.kind = TokenKind::Comma, token;
    if (c == '{') return ++at, token.kind = TokenKind::Begin, token;
    if (c == '}') return ++at, token.kind = TokenKind::End, token;
    if (c == '|' || c == '+' || c == '-' || c == '(' || c == ')')
      return ++at, token.kind = TokenKind::Punct, token.text = std::string(1, c), token;
    if (c == '"') return ReadString(token);
    if (std::isdigit(static_cast<unsigned char>(c))) return ReadNumber(token);
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '#') {
      const size_t start = at++;
      while (at < text.size() &&
             (std::isalnum(static_cast<unsigned char>(text[at])) || text[at] == '_'))
        ++at;
      token.kind = TokenKind::Word;
      token.text = text.substr(start, at - start);
      if (token.text == "BEGIN") token.kind = TokenKind::Begin;
      if (token.text == "END") token.kind = TokenKind::End;
      return token;
    }
    throw ScriptError{line, std::string("unexpected character '") + c + "'"};
  }

private:
  void SkipSpaceAndComments() {
    while (at < text.size()) {
      if (text[at] == '\n') {
        ++line, ++at;
      } else if (std::isspace(static_cast<unsigned char>(text[at]))) {
        ++at;
      } else if (text.compare(at, 2, "//") == 0) {
        while (at < text.size() && text[at] != '\n') ++at;
      } else if (text.compare(at, 2, "/*") == 0) {
        const size_t close = text.find("*/", at + 2);
        if (close == std::string::npos) throw ScriptError{line, "unterminated comment"};
        for (; at < close + 2; ++at) line += text[at] == '\n';
      } else {
        return;
      }
    }
  }

  Token &ReadNumber(Token &token) {
    const size_t start = at;
    int base = 10;
    if (text.compare(at, 2, "0x") == 0 || text.compare(at, 2, "0X") == 0) base = 16, at += 2;
    uint64_t value = 0;
    size_t digits = 0;
    while (at < text.size() && std::isxdigit(static_cast<unsigned char>(text[at]))) {
      const char d = static_cast<char>(std::tolower(static_cast<unsigned char>(text[at])));
      const int v = std::isdigit(static_cast<unsigned char>(d)) ? d - '0' : d - 'a' + 10;
      if (v >= base) break;
      value = value * base + v;
      if (value > 0xFFFFFFFFu) throw ScriptError{line, "number too large"};
      ++at, ++digits;
    }
    if (at < text.size() && (text[at] == 'L' || text[at] == 'l')) ++at;
    if (digits == 0 || (at < text.size() && std::isalnum(static_cast<unsigned char>(text[at]))))
      throw ScriptError{line, "malformed number '" + text.substr(start, at + 1 - start) + "'"};
    token.kind = TokenKind::Number;
    token.number = static_cast<uint32_t>(value);
    return token;
  }

  char32_t ReadUtf8() {
    const auto lead = static_cast<unsigned char>(text[at++]);
    if (lead < 0x80) return lead;
    int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    if (extra < 0 || lead > 0xF4) throw ScriptError{line, "text is not UTF-8"};
    char32_t c = lead & (0x3F >> extra);
    for (int i = 0; i < extra; ++i) {
      if (at >= text.size() || (static_cast<unsigned char>(text[at]) & 0xC0) != 0x80)
        throw ScriptError{line, "text is not UTF-8"};
      c = (c << 6) | (static_cast<unsigned char>(text[at++]) & 0x3F);
    }
    static constexpr char32_t minimum[] = {0, 0x80, 0x800, 0x10000};
    if (c < minimum[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
      throw ScriptError{line, "text is not UTF-8"};
    return c;
  }

  Token &ReadString(Token &token) {
    ++at;
    token.kind = TokenKind::String;
    for (;;) {
      if (at >= text.size() || text[at] == '\n') throw ScriptError{line, "unterminated string"};
      const char c = text[at];
      if (c == '"') {
        if (text.compare(at, 2, "\"\"") == 0) {
          token.string += u'"', at += 2;
          continue;
        }
        ++at;
        return token;
      }
      if (c != '\\') {
        AppendUtf16(token.string, ReadUtf8());
        continue;
      }
      if (++at >= text.size()) throw ScriptError{line, "unterminated string"};
      const char e = text[at++];
      switch (e) {
      case 'n':
        token.string += u'\n';
        break;
      case 'r':
        token.string += u'\r';
        break;
      case 't':
        token.string += u'\t';
        break;
      case 'a':
        token.string += u'\a';
        break;
      case '0':
        token.string += u'\0';
        break;
      case '\\':
        token.string += u'\\';
        break;
      case '"':
        token.string += u'"';
        break;
      case 'x': {
        char16_t v = 0;
        int digits = 0;
        while (digits < 4 && at < text.size() &&
               std::isxdigit(static_cast<unsigned char>(text[at]))) {
          const char d = static_cast<char>(std::tolower(static_cast<unsigned char>(text[at++])));
          v = static_cast<char16_t>(
              v * 16 + (std::isdigit(static_cast<unsigned char>(d)) ? d - '0' : d - 'a' + 10));
          ++digits;
        }
        if (digits == 0) throw ScriptError{line, "\\x without hexadecimal digits"};
        token.string += v;
        break;
      }
      default:
        throw ScriptError{line, std::string("unknown escape \\") + e};
      }
    }
  }

  std::string text;
  size_t at = 0;
  int line = 1;

public:
  int Line() const { return line; }
  // The rest of the current line, for directives.
  std::string RestOfLine() {
    const size_t end = text.find('\n', at);
    std::string rest = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
    at = end == std::string::npos ? text.size() : end;
    return rest;
  }
};

} // namespace zrq::rc
