// The font system's place in the application's life: started by Init,
// closed with the application object. Text rendering (FreeType) arrives
// with the text images; until then there is nothing to start or close.
#include <KesApp.h>

int MApp::InitFontSystem()
{
    return 1;
}

void MApp::UninitFontSystem()
{
}
