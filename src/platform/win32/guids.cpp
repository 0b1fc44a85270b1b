// Storage for the GUIDs the generated headers declare.
#include <initguid.h>

#include "extensibility.h"
#include "quillpix.h"
