// Names under which the Wrimon minifilter is known to the service manager, the registry and the filter
// manager.
#pragma once

// Service name, and the filter name for attaching, detaching and counting instances.
constexpr wchar_t WrimonFilterName[] = L"Wrimon";
constexpr wchar_t WrimonDisplayName[] = L"Wrimon filter driver";
// The driver image, expected in the program's folder.
constexpr wchar_t WrimonImageFileName[] = L"wrimon.sys";
// The filter manager's instance configuration, below HKEY_LOCAL_MACHINE.
constexpr wchar_t WrimonInstancesKey[] = L"SYSTEM\\CurrentControlSet\\Services\\Wrimon\\Instances";
// The instance the filter manager attaches when no instance is named.
constexpr wchar_t WrimonDefaultInstance[] = L"Wrimon - Top Instance";
