// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/formats/json_cursor.h"

#include <cstdint>

#include "platform/file_names.h"

namespace tarvik::tables {

namespace {

// Deeper than any table file; a file nested deeper is refused before it
// could exhaust the stack of Skip.
constexpr std::size_t kDeepest = 512;

[[nodiscard]] bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

void JsonCursor::Fail(std::string_view reason) {
    if (!ok()) return;
    int line = 1;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < pos_ && i < text_.size(); ++i) {
        if (text_[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    error_ = "line " + std::to_string(line) + ", column " + std::to_string(pos_ - lineStart + 1) + ": " +
             std::string(reason);
}

void JsonCursor::SkipBlanks() {
    while (pos_ < text_.size() &&
           (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\n' || text_[pos_] == '\r'))
        ++pos_;
}

bool JsonCursor::Take(char c) {
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == c) {
        ++pos_;
        return true;
    }
    return false;
}

JsonCursor::Kind JsonCursor::Next() {
    if (!ok()) return Kind::Bad;
    SkipBlanks();
    if (pos_ >= text_.size()) return Kind::Bad;
    const char c = text_[pos_];
    if (c == '{') return Kind::Object;
    if (c == '[') return Kind::Array;
    if (c == '"') return Kind::String;
    if (c == '-' || IsDigit(c)) return Kind::Number;
    if (c == 't' || c == 'f' || c == 'n') return Kind::Literal;
    return Kind::Bad;
}

void JsonCursor::Enter(char open) {
    if (!ok()) return;
    if (first_.size() >= kDeepest) return Fail("too deeply nested document");
    if (!Take(open)) return Fail("illegal value");
    first_.push_back(true);
}

void JsonCursor::EnterObject() { Enter('{'); }
void JsonCursor::EnterArray() { Enter('['); }

bool JsonCursor::Leave(char close) {
    if (Take(close)) {
        first_.pop_back();
        return true;
    }
    return false;
}

// Before each member or element: the end of the container, or a comma
// unless it is the first.
bool JsonCursor::Continue(char close, std::string_view missing) {
    if (!ok() || first_.empty()) return false;
    if (first_.back()) {
        first_.back() = false;
        return !Leave(close) && ok();
    }
    if (Leave(close)) return false;
    if (!Take(',')) {
        SkipBlanks();
        Fail(pos_ >= text_.size() ? (close == '}' ? "unterminated object" : "unterminated array") : missing);
        return false;
    }
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == close) {
        Fail(close == '}' ? "object is missing after a comma" : "value is missing after a comma");
        return false;
    }
    return true;
}

bool JsonCursor::Member(std::string& key) {
    if (!Continue('}', "missing value separator")) return false;
    SkipBlanks();
    if (pos_ >= text_.size()) {
        Fail("unterminated object");
        return false;
    }
    if (text_[pos_] != '"') {
        Fail("missing name separator");
        return false;
    }
    key = String();
    if (!Take(':')) Fail("missing name separator");
    return ok();
}

bool JsonCursor::Element() { return Continue(']', "missing value separator"); }

std::string JsonCursor::String() {
    std::string value;
    if (Next() != Kind::String) {
        Fail("illegal value");
        return value;
    }
    ++pos_;
    const auto hex4 = [&](std::uint32_t& code) {
        if (text_.size() - pos_ < 4) return false;
        code = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[pos_++];
            code <<= 4;
            if (IsDigit(c)) {
                code |= static_cast<std::uint32_t>(c - '0');
            } else if (c >= 'a' && c <= 'f') {
                code |= static_cast<std::uint32_t>(c - 'a' + 10);
            } else if (c >= 'A' && c <= 'F') {
                code |= static_cast<std::uint32_t>(c - 'A' + 10);
            } else {
                return false;
            }
        }
        return true;
    };
    for (;;) {
        if (pos_ >= text_.size()) {
            Fail("unterminated string");
            return {};
        }
        const char c = text_[pos_];
        if (c == '"') {
            ++pos_;
            if (value.size() > kKeptStringBytes) {
                value.resize(kKeptStringBytes);
                value += "...";
            }
            return value;
        }
        if (static_cast<unsigned char>(c) < 0x20) {
            Fail("illegal value");
            return {};
        }
        ++pos_;
        if (c != '\\') {
            if (value.size() <= kKeptStringBytes) value += c;
            continue;
        }
        if (pos_ >= text_.size()) {
            Fail("unterminated string");
            return {};
        }
        const char escape = text_[pos_++];
        const auto keep = [&](char kept) {
            if (value.size() <= kKeptStringBytes) value += kept;
        };
        switch (escape) {
            case '"':
            case '\\':
            case '/':
                keep(escape);
                break;
            case 'b':
                keep('\b');
                break;
            case 'f':
                keep('\f');
                break;
            case 'n':
                keep('\n');
                break;
            case 'r':
                keep('\r');
                break;
            case 't':
                keep('\t');
                break;
            case 'u': {
                std::uint32_t code = 0;
                if (!hex4(code)) {
                    Fail("invalid escape sequence");
                    return {};
                }
                if (code >= 0xD800 && code < 0xDC00) {
                    std::uint32_t low = 0;
                    if (!(text_.substr(pos_, 2) == "\\u" && (pos_ += 2, hex4(low)) && low >= 0xDC00 && low < 0xE000)) {
                        Fail("invalid escape sequence");
                        return {};
                    }
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                } else if (code >= 0xDC00 && code < 0xE000) {
                    Fail("invalid escape sequence");
                    return {};
                }
                if (value.size() <= kKeptStringBytes) AppendUtf8(value, code);
                break;
            }
            default:
                --pos_;
                Fail("invalid escape sequence");
                return {};
        }
    }
}

std::string_view JsonCursor::Number() {
    if (Next() != Kind::Number) {
        Fail("illegal value");
        return {};
    }
    const std::size_t start = pos_;
    const auto digits = [&] {
        const std::size_t from = pos_;
        while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
        return pos_ > from;
    };
    if (text_[pos_] == '-') ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '0') {
        ++pos_;
    } else if (!digits()) {
        Fail("illegal number");
        return {};
    }
    if (pos_ < text_.size() && text_[pos_] == '.') {
        ++pos_;
        if (!digits()) {
            Fail("illegal number");
            return {};
        }
    }
    if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
        ++pos_;
        if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) ++pos_;
        if (!digits()) {
            Fail("illegal number");
            return {};
        }
    }
    if (pos_ < text_.size()) {
        const char c = text_[pos_];
        if (!(c == ',' || c == ']' || c == '}' || c == ' ' || c == '\t' || c == '\n' || c == '\r')) {
            Fail("invalid termination by number");
            return {};
        }
    }
    return text_.substr(start, pos_ - start);
}

std::string_view JsonCursor::Literal() {
    if (Next() == Kind::Literal) {
        for (const std::string_view word : {"true", "false", "null"}) {
            if (text_.substr(pos_, word.size()) == word) {
                pos_ += word.size();
                return word;
            }
        }
    }
    Fail("illegal value");
    return {};
}

void JsonCursor::Skip() {
    std::string key;
    switch (Next()) {
        case Kind::Object:
            EnterObject();
            while (Member(key)) Skip();
            return;
        case Kind::Array:
            EnterArray();
            while (Element()) Skip();
            return;
        case Kind::String:
            (void)String();
            return;
        case Kind::Number:
            (void)Number();
            return;
        case Kind::Literal:
            (void)Literal();
            return;
        case Kind::Bad:
            Fail("illegal value");
            return;
    }
}

void JsonCursor::End() {
    SkipBlanks();
    if (ok() && pos_ < text_.size()) Fail("garbage at the end of the document");
}

}  // namespace tarvik::tables
