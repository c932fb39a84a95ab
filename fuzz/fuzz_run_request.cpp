// The option parser of every column: no crash, and a request it accepts is complete.
#include <cstdlib>

#include "cli/run_request.h"
#include "fuzz_input.h"
#include "platform/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tu;
    if (size == 0) return 0;
    const auto column = static_cast<OptionColumn>(data[0] % 4);
    const std::vector<PString> args = fuzz::utf16_strings(data + 1, size - 1);
    const Result<RunRequest> request = parse_run_request(args, column);
    if (!request) {
        if (request.error().empty()) std::abort();
        return 0;
    }
    if (column == OptionColumn::senate_precinct && request->app_kind != "okrsek") std::abort();
    if (column == OptionColumn::data_entry && !request->okrsky.empty()) std::abort();
    if ((request->desktop && request->desktop->empty()) || (request->start_menu && request->start_menu->empty()))
        std::abort();
    return 0;
}
