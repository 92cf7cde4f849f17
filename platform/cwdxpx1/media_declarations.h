// What mingw-w64's media headers leave out or declare unusably from C++:
// the media-type helpers of msdmo.dll (dmort.h declares them without C
// linkage) and the stream flags of IMediaObject. Include this instead of
// dmo.h or dmort.h.
#pragma once

#include <windows.h>

// dmo.h pulls in dmort.h; its declarations are replaced below.
#ifndef __DMORT_H__
#define __DMORT_H__
#endif
#include <dmo.h>

extern "C" {
HRESULT WINAPI MoCopyMediaType(DMO_MEDIA_TYPE* destination, const DMO_MEDIA_TYPE* source);
HRESULT WINAPI MoFreeMediaType(DMO_MEDIA_TYPE* type);
HRESULT WINAPI MoInitMediaType(DMO_MEDIA_TYPE* type, DWORD formatBytes);
HRESULT WINAPI MoDeleteMediaType(DMO_MEDIA_TYPE* type);
}

#ifndef DMO_INPUT_STREAMF_WHOLE_SAMPLES
enum {
    DMO_INPUT_STREAMF_WHOLE_SAMPLES = 0x1,
    DMO_INPUT_STREAMF_SINGLE_SAMPLE_PER_BUFFER = 0x2,
    DMO_INPUT_STREAMF_FIXED_SAMPLE_SIZE = 0x4,
    DMO_INPUT_STREAMF_HOLDS_BUFFERS = 0x8,
};
enum {
    DMO_OUTPUT_STREAMF_WHOLE_SAMPLES = 0x1,
    DMO_OUTPUT_STREAMF_SINGLE_SAMPLE_PER_BUFFER = 0x2,
    DMO_OUTPUT_STREAMF_FIXED_SAMPLE_SIZE = 0x4,
    DMO_OUTPUT_STREAMF_DISCARDABLE = 0x8,
    DMO_OUTPUT_STREAMF_OPTIONAL = 0x10,
};
#endif
