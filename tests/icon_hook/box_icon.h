// Which standard icon a message box shows, as the icon hook records it on the
// box window; shared by the hook, which writes it, and the bench, which reads it.
#pragma once

namespace box_icon {

enum Kind : int {
    UNSEEN = 0, // no record: the hook was not in the box's process
    NONE,
    INFORMATION,
    QUESTION,
    WARNING,
    ERROR_ICON, // ERROR alone is a macro of the Windows headers
    OTHER,      // an icon, but none of the four standard ones
};

// The window property, on the box, that holds the Kind.
inline constexpr char kProperty[] = "calvento_tests_box_icon";

} // namespace box_icon
