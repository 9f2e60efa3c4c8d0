// Resource identifiers shared by tavrello.rc and the code.
#pragma once

#define IDR_MANIFEST 1
