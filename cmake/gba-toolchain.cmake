# Toolchain for Game Boy Advance programs: Debian's bare-metal ARM compiler,
# ARM7TDMI in Thumb state, no operating system and no C library.
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(CMAKE_C_COMPILER arm-none-eabi-gcc)
set(CMAKE_CXX_COMPILER arm-none-eabi-g++)
set(CMAKE_ASM_COMPILER arm-none-eabi-gcc)
find_program(CMAKE_OBJCOPY arm-none-eabi-objcopy REQUIRED)

# Test programs cannot link without the program's own start-up code.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

set(CMAKE_C_FLAGS_INIT "-mcpu=arm7tdmi -mthumb -mthumb-interwork -ffreestanding")
set(CMAKE_CXX_FLAGS_INIT "-mcpu=arm7tdmi -mthumb -mthumb-interwork -ffreestanding -fno-exceptions -fno-rtti")
set(CMAKE_ASM_FLAGS_INIT "-mcpu=arm7tdmi")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-nostdlib")

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
