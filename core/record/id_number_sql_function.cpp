// Compiled into every program that links the core (an interface source of
// tavro_core, see core/CMakeLists.txt): SQLite's fn_ValidateIDC then judges a
// number with the record's own resident ID check before main() runs, whether
// or not the program calls the check itself.
#include "core/record/id_number_check.h"
#include "platform/sqlite_functions.h"

namespace {

const bool installed = [] {
    SqliteFunctions::setIdNumberTest(&IdNumberCheck::isValid);
    return true;
}();

} // namespace
