#include "platform/module_resource.h"

namespace zv {

bool moduleResource(unsigned, std::string_view& bytes) {
  bytes = {};
  return false;
}

}  // namespace zv
