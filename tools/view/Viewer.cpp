#include "Viewer.h"
namespace kes::view {
int RunViewer(const Options&, DataSet&, EngineLog&) { return 1; }
}
