// The viewer's window: the entry list and the view of the entry chosen.
#ifndef KESTO_TOOLS_VIEW_VIEWER_H
#define KESTO_TOOLS_VIEW_VIEWER_H

#include "DataSet.h"
#include "EngineLog.h"
#include "Options.h"

namespace kes::view {

// Opens the window and runs it until it is closed (or, with --frames, for
// that many frames). The process's exit code.
int RunViewer(const Options& options, DataSet& data, EngineLog& log);

} // namespace kes::view

#endif
