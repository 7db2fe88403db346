/* CRC-32 (the polynomial of zip and PNG), for the report. */
#ifndef EXAMPLE_CRC32_H
#define EXAMPLE_CRC32_H

#include <stddef.h>
#include <stdint.h>

uint32_t crc32_of(const uint8_t* data, uint32_t size);

#endif
