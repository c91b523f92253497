// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// JSON (RFC 8259) read in one pass over the text, value by value, without
// building a document: a table file costs the memory of its text, numbers
// come as they are written ("9007199254740993", "2e2"), and a key can be
// seen twice. The first fault in the text ends the reading; after it every
// call returns at once.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarvik::tables {

class JsonCursor {
public:
    enum class Kind { Object, Array, String, Number, Literal, Bad };

    explicit JsonCursor(std::string_view text) : text_(text) {}

    // What the next value is, after blanks; Bad when no value begins there
    // or the text was already found faulty.
    [[nodiscard]] Kind Next();

    // Enter the object or list that is next.
    void EnterObject();
    void EnterArray();
    // The next member of the object entered last, with its key; false at its
    // end, which leaves it.
    [[nodiscard]] bool Member(std::string& key);
    // Whether the list entered last has another element; false at its end,
    // which leaves it.
    [[nodiscard]] bool Element();

    // The next value, which must be of that kind. A string longer than any
    // key or value of a table file is kept only as far as a message shows
    // it, so that a huge one costs no memory.
    [[nodiscard]] std::string String();
    static constexpr std::size_t kKeptStringBytes = 200;
    [[nodiscard]] std::string_view Number();
    [[nodiscard]] std::string_view Literal();  // true, false or null
    // Reads over the next value, whatever it is.
    void Skip();
    // Nothing but blanks may follow the document.
    void End();

    [[nodiscard]] bool ok() const { return error_.empty(); }
    // "line 2, column 29: object is missing after a comma"; empty when ok.
    [[nodiscard]] const std::string& error() const { return error_; }

private:
    void Fail(std::string_view reason);
    void SkipBlanks();
    [[nodiscard]] bool Take(char c);
    [[nodiscard]] bool Leave(char close);
    [[nodiscard]] bool Continue(char close, std::string_view missing);
    void Enter(char open);

    std::string_view text_;
    std::size_t pos_ = 0;
    std::vector<bool> first_;  // per open container: no member read yet
    std::string error_;
};

}  // namespace tarvik::tables
