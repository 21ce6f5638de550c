// Options every program of a sanitizer build (KESTO_SANITIZE) starts with.
//
// AddressSanitizer's record of dynamic TLS blocks (from its interception of
// __tls_get_addr) goes stale when the GL driver unloads modules that had
// TLS, and LeakSanitizer's thread walk at exit then crashes inside the
// sanitizer runtime ("Tracer caught signal 11"), depending on nothing but
// the process's memory layout. Without the record, the blocks are still
// found through glibc's own thread vector, which lies in the static TLS the
// leak check scans.
extern "C" const char* __asan_default_options()
{
    return "intercept_tls_get_addr=0";
}
