// Bounds of the form archive embedded in the program image.
#pragma once

#include <cstdint>

extern "C" const uint8_t vantor_form_archive[];
extern "C" const uint8_t vantor_form_archive_end[];

inline uint32_t form_archive_size() {
    return uint32_t(vantor_form_archive_end - vantor_form_archive);
}
