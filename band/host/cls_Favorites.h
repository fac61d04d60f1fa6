// cls_Favorites: a creatable class of the band library whose interface
// _cls_Favorites has no members.
#pragma once

#include "Identifiers.h"
#include "com/dispatch_object.h"

struct _cls_Favorites : IDispatch {
  static constexpr const IID& kIid = IID__cls_Favorites;
  using Base = IDispatch;
};

class cls_Favorites : public kestrel::com::DispatchObject<cls_Favorites, _cls_Favorites> {
 public:
  explicit cls_Favorites(kestrel::com::ServerModule& module);
};
