// What the launcher's routines need of the runtime, in their own terms: texts
// they own, a unit's properties read and written, library commands called.
// Everything goes through the application's interface table (a test hands
// them another), so the routines write no pointer casts and no table slots.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "runtime/call.h"
#include "runtime/value.h"

namespace vantor::app::api {

// A text of the runtime's heap owned by the routine, released when it goes.
class Text {
  public:
    explicit Text(char* text = nullptr) : text_(text) {}
    Text(Text&& other) noexcept : text_(other.text_) { other.text_ = nullptr; }
    Text& operator=(Text&&) = delete;
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;
    ~Text();
    // Never null: a null text reads as empty.
    const char* get() const { return text_ ? text_ : ""; }
    bool empty() const { return !text_ || !*text_; }

  private:
    char* text_;
};

// A text property of a unit of the launcher's window (a box's content, the
// window's caption), as a new text.
Text read_text(uint32_t unit, int32_t property);
void write_text(uint32_t unit, int32_t property, const char* text);
uint32_t read_word(uint32_t unit, int32_t property);
void write_word(uint32_t unit, int32_t property, uint32_t value);

// A library command through the command-call entry.
TypedValue call(CommandFn command, std::initializer_list<TypedValue> args = {});
// A new text a library command returned.
Text call_for_text(CommandFn command, std::initializer_list<TypedValue> args = {});
// The program's declared function `index` (app/system_helpers.h) with 32-bit
// arguments.
uint32_t declared(uint32_t index, std::initializer_list<uint32_t> args = {});

// True when `path` (no wildcard) names an existing file, through the
// runtime's file search.
bool names_file(const char* path);

// The pieces joined into one new text.
Text join(std::initializer_list<const char*> pieces);
// The decimal text of a number, and the number at the start of a text.
Text number_text(int32_t number);
int32_t text_to_int(const char* text);

} // namespace vantor::app::api
