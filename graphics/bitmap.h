#pragma once
#include <cstdint>
#include <vector>

// Off-screen bitmap targets: a back buffer without a window, always
// buffered. Attach one with graphicAttach(handle, 0, ...).

// A new width x height bitmap in the face colour; its handle, or 0 (error 5
// for a size that is not positive, error 7 without memory).
uint32_t graphicBitmapCreate(int32_t width, int32_t height);
// Unregisters it; it is freed once no drawing operation uses it any more.
void graphicBitmapRelease(uint32_t handle);

// A copy of a canvas's or bitmap's back buffer, 0x00BBGGRR, row after row;
// false when the handle names no such target.
bool graphicTargetPixels(uint32_t handle, std::vector<uint32_t>& pixels, int32_t* width = nullptr,
                         int32_t* height = nullptr);
