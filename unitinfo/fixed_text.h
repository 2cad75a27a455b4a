// Text whose length is fixed at compile time, so that the program's paths
// and command texts are built from one another and each is spelled out once.
#pragma once

#include <cstddef>
#include <string_view>

void text_holds_a_nul_before_its_end();  // never defined: see the constructor

// `N` counts the terminating NUL, as the array of a string literal does.
template <std::size_t N>
struct fixed_text {
  static_assert(N >= 1);
  char chars[N] = {};

  constexpr fixed_text() = default;

  // From a literal, at compile time only. A NUL before the end would make
  // c_str() and view() disagree, so such a literal does not compile.
  consteval fixed_text(const char (&text)[N]) {  // converts, as a literal does
    for (std::size_t i = 0; i < N; ++i) {
      if ((text[i] == '\0') != (i == N - 1))
        text_holds_a_nul_before_its_end();
      chars[i] = text[i];
    }
  }

  static constexpr std::size_t length() { return N - 1; }
  constexpr const char* c_str() const { return chars; }
  constexpr std::string_view view() const { return {chars, N - 1}; }
};

template <std::size_t N>
fixed_text(const char (&)[N]) -> fixed_text<N>;

template <std::size_t A, std::size_t B>
consteval fixed_text<A + B - 1> operator+(const fixed_text<A>& head, const fixed_text<B>& tail) {
  fixed_text<A + B - 1> joined;
  for (std::size_t i = 0; i < A - 1; ++i)
    joined.chars[i] = head.chars[i];
  for (std::size_t i = 0; i < B; ++i)
    joined.chars[A - 1 + i] = tail.chars[i];
  return joined;
}

template <std::size_t A, std::size_t B>
consteval fixed_text<A + B - 1> operator+(const fixed_text<A>& head, const char (&tail)[B]) {
  return head + fixed_text<B>(tail);
}

template <std::size_t A, std::size_t B>
consteval fixed_text<A + B - 1> operator+(const char (&head)[A], const fixed_text<B>& tail) {
  return fixed_text<A>(head) + tail;
}
