// (being written)
#include <KesApp.h>
MImage* MApp::LoadBMP(const char*) { return 0; }
MImage* MApp::LoadTGA(const char*) { return 0; }
