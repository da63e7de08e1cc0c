// From a preferences file's bytes to the widget's entry: the bytes become the App Group's store
// file, UserDefaults opens the suite, and MoneyProvider::readEntry reads it as the widget does.
// The entry must be exactly what the store's own lookups give, and nothing may crash.
#include <chrono>
#include <cstddef>
#include <cstdint>
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

const std::string kSuite(pocketta::kAppGroup);

// One containers root for the whole run, on a memory file system when there is one, removed at
// exit; every input overwrites the same store file.
const support::TemporaryContainers& containers() {
  static const support::TemporaryContainers root(
      std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "");
  return root;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The data layer reads the suite from the root bound on its thread, as the host binds it.
  static const foundation::ContainersRoot::Binding root(
      foundation::ContainersRoot{containers().root(), "fuzzing"});
  const std::vector<std::uint8_t> bytes(data, data + size);
  containers().writeStore(kSuite, bytes);

  // The suite as readEntry opens it, but without the pause between tries: a damaged file is
  // the common case here.
  foundation::UserDefaultsOptions options;
  options.containersRoot = containers().root();
  options.retryDelay = std::chrono::milliseconds(0);
  const auto store = foundation::UserDefaults::initWithSuiteName(kSuite, options);
  fuzz::check(store.has_value(), "the suite did not open although its folder is there");
  const auto updatedAt = store->objectForKey("updatedAt");

  // readEntry waits between tries, so it runs only on a file that parses at the first one.
  if (!foundation::PropertyListDocument::parse(bytes)) return 0;
  foundation::ManualClock clock(foundation::Date{12345.5});
  const foundation::ScopedClock scoped(clock);
  const pocketta::MoneyEntry entry = pocketta::MoneyProvider{}.readEntry();
  const auto date = updatedAt ? foundation::asDate(*updatedAt) : std::nullopt;
  fuzz::check(
      fuzz::sameBits(entry.date.timeIntervalSinceReferenceDate,
                     date.value_or(foundation::Date{12345.5}).timeIntervalSinceReferenceDate),
      "readEntry's date is not the stored date or now");
  fuzz::check(clock.reads() == (date ? 0 : 1), "the clock was read when it need not be");
  fuzz::check(fuzz::sameBits(entry.balance, store->doubleForKey("balance")) &&
                  fuzz::sameBits(entry.income, store->doubleForKey("todayIncome")) &&
                  fuzz::sameBits(entry.expense, store->doubleForKey("todayExpense")),
              "readEntry's amounts differ from the store's");
  return 0;
}
