#pragma once

// The one way to find a row of a field table by its control name. The names are
// written in the program, so an unknown one is a programming error and throws.

#include <array>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace store {

template <typename Row, std::size_t N, typename ControlOf>
const Row &rowByControl(const std::array<Row, N> &rows, std::string_view control, ControlOf controlOf)
{
    for (const Row &row : rows) {
        if (controlOf(row) == control)
            return row;
    }
    throw std::logic_error("no field has the control " + std::string(control));
}

} // namespace store
