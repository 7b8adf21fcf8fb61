// Every block the module gives back is zeroed first: its memory lives as
// long as the page, and a key or a deciphered text freed would otherwise stay
// readable in it.

#include <malloc.h>
#include <string.h>

#include <cstdlib>
#include <new>

void operator delete(void* block) noexcept
{
    if (block != nullptr)
        explicit_bzero(block, malloc_usable_size(block));
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    operator delete(block);
}

void operator delete[](void* block) noexcept
{
    operator delete(block);
}

void operator delete[](void* block, std::size_t) noexcept
{
    operator delete(block);
}
