// (being written)
#include <KesApp.h>
MImageVolume* MApp::LoadWas(const char*) { return 0; }
