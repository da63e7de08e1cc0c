#pragma once

#include <functional>
#include <optional>
#include <string>

#include "host/any_entry.hpp"
#include "host/any_timeline_provider.hpp"

namespace host {

// Where the host reports a provider that breaks its contract: one line, what happened.
using ContractReporter = std::function<void(const std::string& message)>;

// The provider's requests, made as the host makes them and watched for breaches of the contract:
// each completion called exactly once, before the request returns. A breach is reported and the
// host goes on with what it got: the first value of a completion called more than once, nothing
// from one never called (or called only after the request returned), nothing from a request that
// threw.
AnyEntry requestPlaceholder(const AnyTimelineProvider& provider,
                            const TimelineProviderContext& context, const ContractReporter& report);
std::optional<AnyEntry> requestSnapshot(const AnyTimelineProvider& provider,
                                        const TimelineProviderContext& context,
                                        const ContractReporter& report);
std::optional<AnyTimeline> requestTimeline(const AnyTimelineProvider& provider,
                                           const TimelineProviderContext& context,
                                           const ContractReporter& report);

}  // namespace host
