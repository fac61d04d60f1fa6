#include "cls_Favorites.h"

cls_Favorites::cls_Favorites(kestrel::com::ServerModule& module) : DispatchObject(module, {}) {}
