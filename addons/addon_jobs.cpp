#include "addons/addon_jobs.h"

#include <unordered_set>
#include <vector>

#include "addons/addon_choice.h"
#include "addons/addon_install.h"
#include "addons/addon_list.h"
#include "addons/file_removal.h"
#include "data/case_fold.h"
#include "updater/update_job.h"

namespace zv {
namespace {

void done(UpdateJob& job, bool ok, const std::string& code, const std::string& detail) {
  // Add-on jobs never leave the client unplayable: only add-on files change.
  if (job.events().onDone) job.events().onDone(ok, true, code, detail);
}

// Takes the client folder's lock; when it cannot, ends the job.
bool lockFolder(UpdateJob& job) {
  Failure failure;
  if (job.lockClientFolder(failure)) return true;
  const bool cancelled = job.cancelRequested();
  done(job, false, cancelled ? "cancelled" : "failed", cancelled ? "" : failureText(failure));
  return false;
}

std::vector<std::string> texts(const Json& array) {
  std::vector<std::string> out;
  for (const Json& element : array.elements()) out.emplace_back(element.text());  // a non-string reads as ""
  return out;
}

Json withoutMember(const Json& object, const std::string& key) {
  Json rest = Json::object();
  for (const Json::Member& member : object.members()) {
    if (member.key != key) rest.set(member.key, member.value);
  }
  return rest;
}

// The add-on operations the update job borrows (see AddonHooks).
class AddonOperations final : public AddonHooks {
 public:
  bool installAddonFiles(UpdateJob& job, const Manifest& manifest, const ManifestAddon& addon,
                         const std::string& variant, const std::string& key, CheckMode mode,
                         const PassPhases& phases, bool& changed, Failure& failure) override {
    return zv::installAddonFiles(job, manifest, addon, variant, key, mode, phases, changed, failure);
  }
  bool removeFiles(UpdateJob& job, const std::vector<std::string>& paths, const std::vector<std::string>& patterns,
                   std::vector<std::string>& leftOver) override {
    return zv::removeFiles(job.clientFolder(), paths, patterns, leftOver);
  }
  void sendAddonList(UpdateJob& job, const Manifest* manifest) override { zv::sendAddonList(job, manifest); }
};

}  // namespace

void runUpdate(UpdateJob& job, CheckMode mode) {
  AddonOperations operations;
  job.setAddonHooks(&operations);
  job.run(mode);
  job.setAddonHooks(nullptr);
}

void runAddonInstall(UpdateJob& job, const std::string& id, const std::string& variant, const std::string& key) {
  if (!lockFolder(job)) return;
  std::shared_ptr<const Manifest> accepted;
  std::string code;
  std::string detail;
  if (!job.readManifest(accepted, code, detail)) {
    done(job, false, code, detail);
    return;
  }
  const Manifest& manifest = *accepted;
  job.loadAddonRecords();

  const ManifestAddon* addon = findAddon(manifest, id);
  if (addon == nullptr || (!addon->variants.empty() && !hasVariant(*addon, variant))) {
    sendAddonList(job, &manifest);
    done(job, false, "addonUnknown", variant.empty() ? id : id + " / " + variant);
    return;
  }

  job.events().onPhase("addon");
  bool changed = false;
  Failure failure;
  // Repair: a player who installs again expects every file to be looked at.
  // The check reports its progress as "check" inside the add-on phase.
  const bool ok = installAddonFiles(job, manifest, *addon, variant, key, CheckMode::Repair,
                                    PassPhases{"check", "addon"}, changed, failure);
  sendAddonList(job, &manifest);
  if (ok) {
    done(job, true, "addonInstalled", addon->name);
  } else if (job.cancelRequested()) {
    done(job, false, "cancelled", "");
  } else {
    // A file the game holds, or one the disk refuses: the page asks the
    // player to close the game.
    done(job, false, failure.targetUnwritable() ? "addonLocked" : "failed", failureText(failure));
  }
}

void runAddonRemove(UpdateJob& job, const std::string& id, const Manifest* manifest) {
  job.events().onPhase("addonRemove");
  if (!lockFolder(job)) return;
  job.loadAddonRecords();
  Json& records = job.addonRecords();
  Json record = records.get(id);
  const std::string name = record.get("name").stringOr(id);
  if (!record.isObject()) {
    sendAddonList(job, manifest);
    done(job, true, "addonRemoved", name);
    return;
  }

  // A file another installed add-on ships too stays, and is this one's no longer.
  const std::unordered_set<std::string> shared = pathsThatStay(records, id, nullptr);
  std::vector<std::string> paths;
  for (std::string& path : texts(record.get("files"))) {
    if (shared.count(foldCase(path)) == 0) paths.push_back(std::move(path));
  }
  std::vector<std::string> leftOver;
  const bool removed = removeFiles(job.clientFolder(), paths, texts(record.get("cleanup")), leftOver);
  if (leftOver.empty()) {
    records = withoutMember(records, id);
  } else {
    Json files = Json::array();
    for (const std::string& path : leftOver) files.push(path);
    record.set("files", std::move(files));
    records.set(id, std::move(record));
  }
  // The files are gone either way; a stale record only lists missing files,
  // which the next removal passes over.
  (void)job.saveAddonRecords();
  sendAddonList(job, manifest);
  if (removed) {
    done(job, true, "addonRemoved", name);
  } else {
    done(job, false, "addonLocked", leftOver.front());
  }
}

}  // namespace zv
