// Property: loading any file as this format never faults; every frame of
// what loads can be fetched and hit-tested, and the volume is given back
// cleanly (and leaves the cache).
#include "FuzzSupport.h"

#include <KesImage.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MApp& app = kes::fuzz::App();
    const std::string name = kes::fuzz::WriteInput("fuzz.was", data, size);
    MImageVolume* v = app.LoadWas(name.c_str());
    if (!v) return 0;
    const int frames = v->m_frameCount ? v->m_frameCount : 1;
    for (int i = 0; i < v->m_total; ++i)
        if (MImage* img = v->GetImage(i / frames, i % frames)) img->IsCover(0, 0);
    app.CloseImageVolume(v);
    return 0;
}
