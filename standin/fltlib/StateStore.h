// State of one load of the driver, shared by every process: the session that port connections belong to
// and the attached instances per volume. It lives in the volatile "StandinState" subkey of the service
// key, which the stand-in driver deletes when it is loaded and unloaded, and which goes with the service
// key when the service is deleted. Callers change it under SharedStateGuard.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace standin
{

// The session of the current driver load, 0 when none has been opened since the driver was loaded.
uint64_t ReadSession();
// The session, opened now if needed; 0 when the service key does not exist.
uint64_t EnsureSession();

// Instance names attached to the volume (a \Device\HarddiskVolumeN name), in attach order.
std::vector<std::wstring> ReadAttachedInstances(const std::wstring& volume);
// Volumes with at least one attached instance.
std::vector<std::wstring> ReadAttachedVolumes();
// Replaces the volume's instances; an empty list forgets the volume. The session must exist.
bool WriteAttachedInstances(const std::wstring& volume, const std::vector<std::wstring>& instances);

} // namespace standin
