// The result codes the stand-in gives, chosen among those the real filter manager library returns.
#pragma once

#include <windows.h>

namespace standin
{

// No such port, or nobody listening on it.
constexpr HRESULT ResultPortNotFound = static_cast<HRESULT>(0x80070002UL); // ERROR_FILE_NOT_FOUND
// Unknown handle, or the driver behind a port has gone away.
constexpr HRESULT ResultInvalidHandle = static_cast<HRESULT>(0x80070006UL);      // ERROR_INVALID_HANDLE
constexpr HRESULT ResultInvalidParameter = static_cast<HRESULT>(0x80070057UL);   // ERROR_INVALID_PARAMETER
constexpr HRESULT ResultInsufficientBuffer = static_cast<HRESULT>(0x8007007AUL); // ERROR_INSUFFICIENT_BUFFER
constexpr HRESULT ResultNoMoreItems = static_cast<HRESULT>(0x80070103UL);        // ERROR_NO_MORE_ITEMS
constexpr HRESULT ResultNotImplemented = E_NOTIMPL;

// Filter manager codes (facility 0x1F).
constexpr HRESULT ResultAltitudeCollision =
    static_cast<HRESULT>(0x801F0011UL); // ERROR_FLT_INSTANCE_ALTITUDE_COLLISION
constexpr HRESULT ResultInstanceNameCollision =
    static_cast<HRESULT>(0x801F0012UL); // ERROR_FLT_INSTANCE_NAME_COLLISION
constexpr HRESULT ResultFilterNotFound = static_cast<HRESULT>(0x801F0013UL);   // ERROR_FLT_FILTER_NOT_FOUND
constexpr HRESULT ResultVolumeNotFound = static_cast<HRESULT>(0x801F0014UL);   // ERROR_FLT_VOLUME_NOT_FOUND
constexpr HRESULT ResultInstanceNotFound = static_cast<HRESULT>(0x801F0015UL); // ERROR_FLT_INSTANCE_NOT_FOUND

} // namespace standin
