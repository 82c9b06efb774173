// One line of text composed in a fixed buffer. The status lines are rebuilt every frame, and a
// frame must not allocate; text that does not fit is cut off.
#pragma once

#include <charconv>
#include <cstddef>
#include <string_view>

template <std::size_t Capacity>
class LineBuffer {
public:
  LineBuffer& Clear() {
    Length = 0;
    Text[0] = '\0';
    return *this;
  }

  LineBuffer& operator<<(std::string_view part) {
    const std::size_t room = Capacity - 1 - Length;
    const std::size_t n = part.size() < room ? part.size() : room;
    part.copy(Text + Length, n);
    Length += n;
    Text[Length] = '\0';
    return *this;
  }

  // Plain decimal: no fill characters, no digit grouping.
  LineBuffer& operator<<(int number) {
    const auto [end, error] = std::to_chars(Text + Length, Text + Capacity - 1, number);
    if (error == std::errc())
      Length = static_cast<std::size_t>(end - Text);
    Text[Length] = '\0';
    return *this;
  }

  const char* CStr() const { return Text; }
  std::string_view View() const { return {Text, Length}; }

private:
  char Text[Capacity] = {};
  std::size_t Length = 0;
};
