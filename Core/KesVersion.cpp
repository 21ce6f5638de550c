// The library's own version, as its headers state it when it was built.
#include <KesVersion.h>

const char* KesVersion(void)
{
    return KESTO_VERSION;
}

int KesVersionNumber(void)
{
    return KESTO_VERSION_NUMBER;
}
