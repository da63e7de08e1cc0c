#pragma once

#include <iosfwd>
#include <string>

#include "foundation/containers_root.hpp"
#include "host/defaults_request.hpp"

namespace host {

// The App Group's suite as the containing app keeps it: the store file
// <containers root>/<name>/Library/Preferences/<name>.plist. The containers root must exist (a
// root that does not is most likely mistyped); the suite's own folders beneath it are made on
// the first write.
struct DefaultsSuite {
  std::string name;  // "group.pocketta.shared"
  foundation::ContainersRoot root;
};

// How a request ended: 0 done, 1 a run-time failure (the store, a file, the disk). `message` is
// one line for standard error on a failure, else empty.
struct DefaultsResult {
  int status = 0;
  std::string message;
  friend bool operator==(const DefaultsResult&, const DefaultsResult&) = default;
};

// Runs a request on the suite. `read` prints to `output` (defaultsText); `import -` reads
// `input`. A change is written whole, as the containing app writes its store: the new file beside
// the store, flushed, renamed over it (foundation::writeFileAtomically), binary unless the store is
// XML. Every key the request does not name keeps its value exactly. Nothing is locked, as the
// platform's store locks nothing: of two changes at once, the later rename wins.
//
// On any failure nothing is written and the store keeps its bytes: a store that cannot be read
// (damaged, not a property list, not a dictionary, over the 64 MB cap) is left as it is unless
// `request.force`; a value the store's format cannot hold, a file the change would take past the
// cap, a folder that cannot be made or written are refused with what went wrong.
DefaultsResult runDefaults(const DefaultsRequest& request, const DefaultsSuite& suite,
                           std::istream& input, std::ostream& output);

}  // namespace host
