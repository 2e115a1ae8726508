#include "platform/runtime_error.h"

namespace tessiva {

namespace errors {
RuntimeError invalidProcedureCall() { return {kInvalidProcedureCall, "Invalid procedure call or argument"}; }
RuntimeError overflow() { return {kOverflow, "Overflow"}; }
RuntimeError typeMismatch() { return {kTypeMismatch, "Type mismatch"}; }
RuntimeError objectNotSet() { return {kObjectNotSet, "Object variable not set"}; }
RuntimeError invalidPropertyValue() { return {kInvalidPropertyValue, "Invalid property value"}; }
}  // namespace errors

void check(const Status& status) {
    if (!status.ok()) throw RuntimeError(status.code(), status.message());
}

std::string reportText(const RuntimeError& error) {
    return "Run-time error '" + std::to_string(error.number()) + "':\n\n" + error.description();
}

}  // namespace tessiva
