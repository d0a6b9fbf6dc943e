// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/shell/scratch_files.h"

#include <signal.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <mutex>

namespace skylacer::shell {

namespace {

constexpr std::size_t kSlots = 256;
constexpr std::size_t kMaxPathBytes = 1024;

enum SlotState : int { kFree = 0, kChanging = 1, kHeld = 2 };

// Read by the signal handler, so plain bytes and lock-free atomics only.
struct Slot {
  std::atomic<int> state{kFree};
  char path[kMaxPathBytes];
};
std::array<Slot, kSlots> heldFiles;

constexpr std::array<int, 3> kEndingSignals = {SIGTERM, SIGHUP, SIGINT};

extern "C" void removeScratchFilesAndEnd(int signalNumber) {
  const int savedErrno = errno;
  for (Slot& slot : heldFiles)
    if (slot.state.load(std::memory_order_acquire) == kHeld) ::unlink(slot.path);
  errno = savedErrno;
  // SA_RESETHAND has restored the default action: the signal raised again ends the process
  // once this handler returns, and the parent sees the signal as the cause.
  ::raise(signalNumber);
}

void installHandlers() {
  for (const int signalNumber : kEndingSignals) {
    struct sigaction current {};
    if (::sigaction(signalNumber, nullptr, &current) != 0 || current.sa_handler != SIG_DFL)
      continue;  // ignored on purpose (nohup) or handled by the program itself
    struct sigaction action {};
    action.sa_handler = removeScratchFilesAndEnd;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    ::sigaction(signalNumber, &action, nullptr);
  }
}

bool processIsGone(pid_t process) {
  return ::kill(process, 0) != 0 && errno == ESRCH;
}

}  // namespace

std::string scratchNamePrefix(std::string_view base) {
  std::string prefix(base);
  prefix += '.';
  prefix += std::to_string(::getpid());
  prefix += '.';
  return prefix;
}

void holdScratchFile(const std::filesystem::path& file) {
  static std::once_flag handlersInstalled;
  std::call_once(handlersInstalled, installHandlers);
  const std::string& text = file.native();
  if (text.size() >= kMaxPathBytes) return;
  for (Slot& slot : heldFiles) {
    int expected = kFree;
    if (!slot.state.compare_exchange_strong(expected, kChanging, std::memory_order_acquire))
      continue;
    std::memcpy(slot.path, text.c_str(), text.size() + 1);
    slot.state.store(kHeld, std::memory_order_release);
    return;
  }
}

void releaseScratchFile(const std::filesystem::path& file) {
  const std::string& text = file.native();
  for (Slot& slot : heldFiles) {
    int expected = kHeld;
    if (slot.state.load(std::memory_order_acquire) != kHeld || text != slot.path) continue;
    if (slot.state.compare_exchange_strong(expected, kChanging, std::memory_order_acquire)) {
      slot.state.store(kFree, std::memory_order_release);
      return;
    }
  }
}

void removeAbandonedScratchFiles(const std::filesystem::path& folder, std::string_view base) {
  const std::string start = std::string(base) + '.';
  std::error_code error;
  for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
       entry.increment(error)) {
    const std::string name = entry->path().filename().string();
    if (!name.starts_with(start)) continue;
    const char* digits = name.c_str() + start.size();
    const char* nameEnd = name.c_str() + name.size();
    pid_t process = 0;
    const auto [afterNumber, parsed] = std::from_chars(digits, nameEnd, process);
    if (parsed != std::errc() || afterNumber == digits || afterNumber == nameEnd ||
        *afterNumber != '.' || process <= 0 || process == ::getpid())
      continue;
    if (processIsGone(process)) {
      std::error_code ignored;
      std::filesystem::remove_all(entry->path(), ignored);
    }
  }
}

ScratchFile::ScratchFile(std::filesystem::path file) : path_(std::move(file)) {
  holdScratchFile(path_);
}

ScratchFile::~ScratchFile() {
  if (path_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove(path_, ignored);
  releaseScratchFile(path_);
}

}  // namespace skylacer::shell
