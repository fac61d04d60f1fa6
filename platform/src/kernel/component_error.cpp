#include "kestrel/component_error.h"

#include "kestrel/codepage.h"

namespace kestrel {

ComponentError::ComponentError(int32_t number, std::u16string source, std::u16string description)
    : std::runtime_error(codepage::ToUtf8(source) + ": " + codepage::ToUtf8(description)),
      number_(number),
      source_(std::move(source)),
      description_(std::move(description)) {}

}  // namespace kestrel
