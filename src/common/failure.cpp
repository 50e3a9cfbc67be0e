#include "common/failure.h"

#include "common/runtime_text.h"

namespace lzsfx {

void RaiseOutOfMemory() {
  throw EOutOfMemory(RuntimeText(RuntimeTextId::OutOfMemory),
                     __builtin_extract_return_addr(__builtin_return_address(0)));
}

}  // namespace lzsfx
