// From a preferences file's bytes to the widget's entry: the bytes become the App Group's store
// file, UserDefaults opens the suite, and MoneyProvider::readEntry reads it as the widget does.
// The entry must be exactly what the store's own lookups give, and nothing may crash.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "data/app_group.hpp"
#include "data/money_provider.hpp"
#include "foundation/containers_root.hpp"
#include "foundation/date.hpp"
#include "foundation/property_list/property_list_document.hpp"
#include "foundation/user_defaults.hpp"
#include "fuzz_support.hpp"
#include "support/temporary_containers.hpp"

namespace {

// One containers root for the whole run, on a memory file system when there is one, removed at
// exit; every input overwrites the same store file.
const support::TemporaryContainers& containers() {
  static const support::TemporaryContainers root(
      std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "");
  return root;
}

void writeStore(const std::uint8_t* data, std::size_t size) {
  static const std::filesystem::path storeFile =
      containers().storePath(std::string(pocketta::kAppGroup));
  const int fd = ::open(storeFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) fuzz::fail("cannot write the store file");
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written <= 0) fuzz::fail("cannot write the store file");
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  ::close(fd);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  containers().writeStore(std::string(pocketta::kAppGroup), {});
  // The data layer reads the suite from the host's root, which this sets.
  foundation::ContainersRoot::setHostSetting(
      foundation::ContainersRoot{containers().root(), "fuzzing"});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  writeStore(data, size);

  // The suite as readEntry opens it, but without the pause between tries: a damaged file is
  // the common case here.
  foundation::UserDefaultsOptions options;
  options.containersRoot = containers().root();
  options.retryDelay = std::chrono::milliseconds(0);
  const auto store = foundation::UserDefaults::initWithSuiteName(pocketta::kAppGroup, options);
  fuzz::check(store.has_value(), "the suite did not open although its folder is there");
  const auto updatedAt = store->objectForKey("updatedAt");
  const double balance = store->doubleForKey("balance");
  const double income = store->doubleForKey("todayIncome");
  const double expense = store->doubleForKey("todayExpense");
  for (const char* key : {"balance", "todayIncome", "todayExpense"}) {
    const auto object = store->objectForKey(key);
    if (!object) fuzz::check(store->doubleForKey(key) == 0.0, "an absent key is not 0");
  }

  // readEntry waits between tries, so it runs only on a file that parses at the first one.
  if (!foundation::PropertyListDocument::parse(std::vector<std::uint8_t>(data, data + size))) {
    return 0;
  }
  foundation::ManualClock clock(foundation::Date{12345.5});
  const foundation::ScopedClock scoped(clock);
  const pocketta::MoneyEntry entry = pocketta::MoneyProvider{}.readEntry();
  const auto storedDate = updatedAt ? foundation::asDate(*updatedAt) : std::nullopt;
  fuzz::check(fuzz::sameBits(entry.date.timeIntervalSinceReferenceDate,
                             storedDate ? storedDate->timeIntervalSinceReferenceDate : 12345.5),
              "readEntry's date is not the stored date or now");
  fuzz::check(clock.reads() == (storedDate ? 0 : 1), "the clock was read when it need not be");
  fuzz::check(fuzz::sameBits(entry.balance, balance), "readEntry's balance differs");
  fuzz::check(fuzz::sameBits(entry.income, income), "readEntry's income differs");
  fuzz::check(fuzz::sameBits(entry.expense, expense), "readEntry's expense differs");
  return 0;
}
