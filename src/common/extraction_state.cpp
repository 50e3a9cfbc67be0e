#include "common/extraction_state.h"

namespace lzsfx {

ExtractionState State;

}  // namespace lzsfx
