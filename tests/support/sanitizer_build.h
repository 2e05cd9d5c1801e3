// Whether this build runs under AddressSanitizer, for tests too slow or too
// memory-hungry to run there.
#pragma once

inline bool SanitizerBuild() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}
