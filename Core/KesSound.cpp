// The sound system's place in the application's life: started last by
// Init, updated once per frame by Run, closed with the application object.
// Music and effects arrive with the sound layer; until then there is
// nothing to start, update or close.
#include <KesApp.h>

int MApp::InitSoundSystem()
{
    return 1;
}

void MApp::UninitSoundSystem()
{
}

void MApp::UpdateSoundSystem()
{
}
