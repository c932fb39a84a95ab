// The process arguments as Windows splits a command line (CommandLineToArgvW), written here
// so that the helper needs no shell DLL to read its own command line: the uninstaller's
// include quotes every value for exactly these rules.
#pragma once

#include <vector>

#include "platform/platform.h"

namespace tu {

// The program name first, then every argument. The program name ends at the first space or
// tab, or, when it begins with a quote, at the next quote (no escapes there). After it:
// arguments are separated by spaces and tabs outside quotes; 2n backslashes before a quote
// are n backslashes and the quote opens or closes a quoted stretch, 2n+1 are n backslashes
// and a literal quote; backslashes elsewhere are literal; inside quotes, "" is a literal
// quote that also ends the quoted stretch. An empty command line gives no arguments at all.
std::vector<PString> split_arguments(PStringView command_line);

}  // namespace tu
