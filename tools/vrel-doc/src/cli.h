// vrel-doc's command line: reads the arguments, runs one command, says what happened.
//
// Exit status: 0 done (check: the file is whole), 1 the input is damaged or unreadable or the
// output could not be written, 2 the arguments are wrong.
#pragma once

#include <iosfwd>
#include <span>
#include <string>
#include <string_view>

namespace vrel_doc {

inline constexpr int exit_ok = 0;
inline constexpr int exit_failed = 1;
inline constexpr int exit_usage = 2;

// `args` leaves out the program name. Results go to `out`, problems to `err`.
[[nodiscard]] int run(std::span<std::string const> args, std::ostream& out, std::ostream& err);

[[nodiscard]] std::string_view usage_text();

} // namespace vrel_doc
