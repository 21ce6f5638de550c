// (being written)
#include <KesApp.h>
MImage* MApp::LoadJPEG(const char*) { return 0; }
MImage* MApp::LoadXYJPEG(unsigned char*, int, int, int, unsigned char*) { return 0; }
MImage* MApp::LoadXYJPEG(unsigned char*, int, int, int, unsigned char*, int) { return 0; }
