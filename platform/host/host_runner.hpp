#pragma once

#include <span>
#include <string>
#include <vector>

#include "host/host_io.hpp"
#include "host/widget_bundle_builder.hpp"

namespace host {

// Runs one invocation of the host on a bundle's widgets: reads the command line (the arguments
// after the program name), builds the user's render environment and binds the containers root
// for the widget, picks the widget, and runs the command. Returns the exit status: 0 done, 1 a
// run-time failure (one line on `err`), 2 a bad command line (one line naming it, then the usage
// hint).
int runHost(const WidgetBundleContent& bundle, const BundleInfo& info,
            std::span<const std::string> arguments, HostIO& io);

// This process's command line, read from /proc/self/cmdline (the entry point reads no
// arguments): the program name first. Empty when it cannot be read.
std::vector<std::string> processArguments();

// Where this executable keeps its resources: `<prefix>/share/<project>` when it is installed in
// `<prefix>/bin`, else `<folder of the executable>/resources`, as in the build tree.
std::filesystem::path bundleResourcesFolder();

// Runs the host for this process on the real standard streams, clock and URL opener.
// `previewServer` serves the preview command in the executable that links it.
int runHostProcess(const WidgetBundleContent& bundle, BundleInfo info,
                   CommandHandler previewServer = {});

}  // namespace host
