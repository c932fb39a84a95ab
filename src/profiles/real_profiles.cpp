// The profiles the shipped exe dispatches to.
#include "profiles/profiles.h"

namespace tu {

Profiles real_profiles() {
    return Profiles{
        .municipal_precinct = run_municipal_precinct,
        .senate_precinct = run_senate_precinct,
        .municipal_data_entry = run_municipal_data_entry,
        .senate_data_entry = run_senate_data_entry,
        .processing = run_processing,
    };
}

}  // namespace tu
