#include "platform/durable_file.h"

#include <utility>

#include "platform/text_path.h"

namespace zv {
namespace {

DurableStepObserver& observer() {
  static DurableStepObserver instance;
  return instance;
}

}  // namespace

void setDurableStepObserver(DurableStepObserver observer) { zv::observer() = std::move(observer); }

namespace detail {
void reportDurableStep(DurableStep step, const std::filesystem::path& path, const std::filesystem::path& to) {
  if (observer()) observer()(step, path, to);
}
}  // namespace detail

bool flushAndClose(File& file, const std::filesystem::path& path, std::string& error) {
  detail::reportDurableStep(DurableStep::Flush, path);
  std::string reason;
  const bool flushed = file.flush(reason);
  file.close();
  if (!flushed) error = pathToUtf8(path) + ": " + reason;
  return flushed;
}

bool renameDurably(const std::filesystem::path& from, const std::filesystem::path& to, std::string& error) {
  detail::reportDurableStep(DurableStep::Rename, from, to);
  return detail::renameAndSync(from, to, error);
}

bool replaceFileDurably(const std::filesystem::path& from, const std::filesystem::path& to, std::string& error) {
  detail::reportDurableStep(DurableStep::Flush, from);
  return detail::flushClosedFile(from, error) && renameDurably(from, to, error);
}

}  // namespace zv
