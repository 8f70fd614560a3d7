// The named values of the kinds' choice properties, as stored. Form sources may
// write a name where the number goes (prop Position Centred); the controls compare
// with the names. choice::Position::Centred is 1, choice::Position::kLast the
// highest value a write keeps, choice::Position::kNames the names in value order,
// separated by ", ". Portable: no platform headers.
#pragma once

#include <cstdint>
#include <string_view>

namespace vantor::forms {

// Names in value order from 0, kLast the last of them.
#define VANTOR_CHOICE(Name, ...)                                                                   \
    namespace Name {                                                                               \
    enum : int32_t { __VA_ARGS__, kCount };                                                        \
    inline constexpr int32_t kLast = kCount - 1;                                                   \
    inline constexpr std::string_view kNames = #__VA_ARGS__;                                       \
    }

namespace choice {
// The window's frame: resizable or fixed, as a tool window, with a sunken client edge.
VANTOR_CHOICE(WindowBorder, None, Resizable, Fixed, ResizableTool, FixedTool, ResizableSunken,
              FixedSunken)
// The background picture: at its natural size from the top left, tiled, centred
// (shrunk to fit), stretched to the client area.
VANTOR_CHOICE(PictureMode, TopLeft, Tiled, Centred, Stretched)
VANTOR_CHOICE(SoundMode, Repeat, Once, Silent)
// Where and how a window starts; reads report the live state (Normal, Minimised, Maximised).
VANTOR_CHOICE(Position, Normal, Centred, Minimised, Maximised)
// The window's region; from TriangleUp on, polygons (controls/window_shape.cpp).
VANTOR_CHOICE(Shape, Rectangle, Ellipse, RoundedRectangle, Ring, TriangleUp, TriangleDown,
              TriangleLeft, TriangleRight, TrapezoidWideBottom, TrapezoidWideTop, Hexagon, Pentagon,
              Diamond, Octagon, ParallelogramRight, ParallelogramLeft, Star4, Star5, Star6, Star8,
              ArrowRight, ArrowLeft, ArrowUp, ArrowDown, Cross, ChevronRight, ChevronLeft,
              ArrowLeftRight, ArrowUpDown, SpeechBalloon)
static_assert(Shape::kLast == 29);

// The edit box's frame: sunken (client edge), raised (modal frame), thin sunken
// (static edge), sunken and raised, a single line (WS_BORDER).
VANTOR_CHOICE(EditBorder, None, Sunken, Raised, ThinSunken, SunkenRaised, SingleLine)
VANTOR_CHOICE(ScrollBars, None, Horizontal, Vertical, Both)
VANTOR_CHOICE(Alignment, Left, Centred, Right)
// What the edit box takes and how it re-prints its text on losing the focus:
// controls/edit_input.h.
VANTOR_CHOICE(InputMode, Normal, ReadOnly, Password, IntegerText, DecimalText, Byte, Short, Int,
              Long, Float, Double, DateTime)
VANTOR_CHOICE(CaseConversion, None, Lower, Upper)
// No spin control; an automatic integer spin; a manual one that raises an event.
VANTOR_CHOICE(SpinMode, None, Automatic, Manual)

VANTOR_CHOICE(ButtonType, Normal, Default)
VANTOR_CHOICE(HAlign, Left, Centred, Right)
VANTOR_CHOICE(VAlign, Top, Centred, Bottom)

VANTOR_CHOICE(DialogType, Open, Save, Font, Help)
// The help request of DialogType Help (the WinHelp commands HELP_FINDER,
// HELP_CONTEXT, HELP_CONTEXTPOPUP, HELP_FORCEFILE, HELP_HELPONHELP, HELP_QUIT).
VANTOR_CHOICE(HelpCommand, Finder, Context, ContextPopup, ForceFile, HelpOnHelp, Quit)

// The transparent label's text: plain; a white copy behind it one pixel right and
// down; a white copy in place with the text one pixel right and down; a black copy
// two pixels right and down.
VANTOR_CHOICE(TextEffect, None, WhiteShadow, WhiteHighlight, BlackShadow)
} // namespace choice

#undef VANTOR_CHOICE

// The value of `name` in a ", "-separated list in value order; -1 when the list
// does not hold it.
constexpr int32_t choice_value(std::string_view names, std::string_view name) {
    int32_t value = 0;
    while (!names.empty()) {
        size_t end = names.find(", ");
        if (names.substr(0, end) == name)
            return value;
        if (end == std::string_view::npos)
            break;
        names.remove_prefix(end + 2);
        ++value;
    }
    return -1;
}
static_assert(choice_value(choice::Position::kNames, "Maximised") == choice::Position::Maximised);
static_assert(choice_value(choice::InputMode::kNames, "DateTime") == choice::InputMode::DateTime);
static_assert(choice_value(choice::Shape::kNames, "Ring") == choice::Shape::Ring);
static_assert(choice_value(choice::Shape::kNames, "Rin") == -1);

} // namespace vantor::forms
