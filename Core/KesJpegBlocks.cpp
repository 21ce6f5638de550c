// (being written)
#include <KesApp.h>
