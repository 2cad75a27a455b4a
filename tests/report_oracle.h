// The report the program must print for a stored record, worked out from the
// record's bytes by the tests' own reading of the format, never by the
// program's. The unit, end-to-end and fuzz tests all expect this one text.
#pragma once

#include <string>
#include <string_view>

// The ten report lines of `image` read as a valid record. The image may have
// any length: bytes past its end read as zero, and a stored hardware version
// of 0 is shown as 1, as the reader loads it. A text is printed byte for
// byte up to its NUL or its field's end, so a value may itself hold a line
// feed: the lines are told apart by their labels, and a report is only ever
// compared whole.
std::string expected_report(std::string_view image);
