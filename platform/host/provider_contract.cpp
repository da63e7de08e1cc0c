#include "host/provider_contract.hpp"

#include <exception>
#include <memory>

namespace host {
namespace {

// What one request's completion saw. Shared with the completion, which may outlive the request
// when a provider keeps it.
template <class Value>
struct CompletionRecord {
  std::optional<Value> value;
  int calls = 0;
  bool returned = false;
  bool lateReported = false;
  ContractReporter report;
  std::string operation;
};

template <class Value, class Call>
std::optional<Value> checkedRequest(const std::string& operation, const ContractReporter& report,
                                    Call&& call) {
  auto record = std::make_shared<CompletionRecord<Value>>();
  record->report = report;
  record->operation = operation;
  Completion<Value> completion = [record](Value value) {
    ++record->calls;
    if (record->returned) {
      if (!record->lateReported) {
        record->lateReported = true;
        record->report(record->operation +
                       ": the provider called its completion after the request had returned; "
                       "the value is ignored");
      }
      return;
    }
    if (record->calls == 1) record->value = std::move(value);
  };
  try {
    call(completion);
  } catch (const std::exception& error) {
    record->returned = true;
    report(operation + ": the provider threw (" + error.what() + ")");
    return std::nullopt;
  } catch (...) {
    record->returned = true;
    report(operation + ": the provider threw");
    return std::nullopt;
  }
  record->returned = true;
  if (record->calls == 0) {
    report(operation + ": the provider returned without calling its completion");
  } else if (record->calls > 1) {
    report(operation + ": the provider called its completion " + std::to_string(record->calls) +
           " times; the first value is used");
  }
  return std::move(record->value);
}

}  // namespace

AnyEntry requestPlaceholder(const AnyTimelineProvider& provider,
                            const TimelineProviderContext& context,
                            const ContractReporter& report) {
  try {
    return provider.placeholder(context);
  } catch (const std::exception& error) {
    report(std::string("placeholder: the provider threw (") + error.what() + ")");
  } catch (...) {
    report("placeholder: the provider threw");
  }
  return AnyEntry{};
}

std::optional<AnyEntry> requestSnapshot(const AnyTimelineProvider& provider,
                                        const TimelineProviderContext& context,
                                        const ContractReporter& report) {
  return checkedRequest<AnyEntry>("getSnapshot", report, [&](const Completion<AnyEntry>& done) {
    provider.getSnapshot(context, done);
  });
}

std::optional<AnyTimeline> requestTimeline(const AnyTimelineProvider& provider,
                                           const TimelineProviderContext& context,
                                           const ContractReporter& report) {
  return checkedRequest<AnyTimeline>(
      "getTimeline", report,
      [&](const Completion<AnyTimeline>& done) { provider.getTimeline(context, done); });
}

}  // namespace host
