/* The few library functions the compiler may call on its own (structure
 * copies and clears), since the program links no C library. */
#include <stddef.h>

void* memcpy(void* to, const void* from, size_t n);
void* memmove(void* to, const void* from, size_t n);
void* memset(void* to, int value, size_t n);

void* memcpy(void* to, const void* from, size_t n) {
    unsigned char* d = (unsigned char*)to;
    const unsigned char* s = (const unsigned char*)from;
    while (n--) *d++ = *s++;
    return to;
}

void* memmove(void* to, const void* from, size_t n) {
    unsigned char* d = (unsigned char*)to;
    const unsigned char* s = (const unsigned char*)from;
    if (d < s) {
        while (n--) *d++ = *s++;
    } else {
        while (n--) d[n] = s[n];
    }
    return to;
}

void* memset(void* to, int value, size_t n) {
    unsigned char* d = (unsigned char*)to;
    while (n--) *d++ = (unsigned char)value;
    return to;
}
