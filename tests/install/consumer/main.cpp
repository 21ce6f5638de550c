// A game outside the engine's tree: builds against the installed headers and
// library only.
#include <KesApp.h>
#include <KesLZ.h>

#include <stdio.h>
#include <string.h>

int main(int argc, char** argv)
{
    if (argc < 2) return 2;
    MApp app;
    if (Singleton<MApp>::GetSingletonPtr() != &app) return 3;
    if (WString2ID("abc") != 0x10E668B5u) return 4;

    char path[4096];
    snprintf(path, sizeof path, "%s/consumer-note.txt", argv[1]);
    FILE* f = fopen(path, "wb");
    if (!f) return 5;
    fputs("hello from disk", f);
    fclose(f);
    MFile file;
    if (!file.Load(path, 0) || strcmp(static_cast<char*>(file.GetPtr(0)), "hello from disk") != 0) return 6;

    unsigned char stream[] = {0x11, 0x00, 0x00}; // an empty LZO1X block
    unsigned char out[1];
    if (LZDecode(stream, out) != 0) return 7;
    puts("consumer ok");
    return 0;
}
