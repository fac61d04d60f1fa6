// The interfaces through which the browser hosts a toolbar band: the band
// answers IDeskBand (with IDockingWindow and IOleWindow), IObjectWithSite,
// IInputObject, IPersistStream and IOleControlSite; the site answers
// IInputObjectSite and IServiceProvider.
//
// Declarations only.
#pragma once

#include "com/dispatch.h"
#include "com/persist.h"
#include "com/service.h"

#include "win32/windowing.h"

typedef DWORD COLORREF;
typedef float FLOAT;

typedef struct _POINTL {
  LONG x;
  LONG y;
} POINTL, *PPOINTL;
typedef struct tagPOINTF {
  FLOAT x;
  FLOAT y;
} POINTF;

// DESKBANDINFO::dwMask: the parts the caller asks for.
#define DBIM_MINSIZE 0x0001
#define DBIM_MAXSIZE 0x0002
#define DBIM_INTEGRAL 0x0004
#define DBIM_ACTUAL 0x0008
#define DBIM_TITLE 0x0010
#define DBIM_MODEFLAGS 0x0020
#define DBIM_BKCOLOR 0x0040

// DESKBANDINFO::dwModeFlags.
#define DBIMF_NORMAL 0x0000
#define DBIMF_FIXED 0x0001
#define DBIMF_FIXEDBMP 0x0004
#define DBIMF_VARIABLEHEIGHT 0x0008
#define DBIMF_UNDELETEABLE 0x0010
#define DBIMF_DEBOSSED 0x0020
#define DBIMF_BKCOLOR 0x0040
#define DBIMF_USECHEVRON 0x0080
#define DBIMF_BREAK 0x0100
#define DBIMF_ADDTOFRONT 0x0200
#define DBIMF_TOPALIGN 0x0400
#define DBIMF_NOGRIPPER 0x0800
#define DBIMF_ALWAYSGRIPPER 0x1000
#define DBIMF_NOMARGINS 0x2000

// IDeskBand::GetBandInfo's view mode.
#define DBIF_VIEWMODE_NORMAL 0x0000
#define DBIF_VIEWMODE_VERTICAL 0x0001
#define DBIF_VIEWMODE_FLOATING 0x0002
#define DBIF_VIEWMODE_TRANSPARENT 0x0004

typedef struct {
  DWORD dwMask;
  POINTL ptMinSize;
  POINTL ptMaxSize;
  POINTL ptIntegral;
  POINTL ptActual;
  WCHAR wszTitle[256];
  DWORD dwModeFlags;
  COLORREF crBkgnd;
} DESKBANDINFO;

inline constexpr IID IID_IOleWindow = kestrel::com::MakeGuid("00000114-0000-0000-C000-000000000046");
inline constexpr IID IID_IDockingWindow = kestrel::com::MakeGuid("012DD920-7B26-11D0-8CA9-00A0C92DBFE8");
inline constexpr IID IID_IDeskBand = kestrel::com::MakeGuid("EB0FE172-1A3A-11D0-89B3-00A0C90A90AC");
inline constexpr IID IID_IObjectWithSite = kestrel::com::MakeGuid("FC4801A3-2BA9-11CF-A229-00AA003D7352");
inline constexpr IID IID_IInputObject = kestrel::com::MakeGuid("68284FAA-6A48-11D0-8C78-00C04FD918B4");
inline constexpr IID IID_IInputObjectSite = kestrel::com::MakeGuid("F1DB8392-7331-11D0-8C99-00A0C92DBFE8");
inline constexpr IID IID_IOleControlSite = kestrel::com::MakeGuid("B196B289-BAB4-101A-B69C-00AA00341D07");

struct IOleWindow : IUnknown {
  static constexpr const IID& kIid = IID_IOleWindow;
  using Base = IUnknown;

  virtual HRESULT GetWindow(HWND* window) = 0;
  virtual HRESULT ContextSensitiveHelp(BOOL enterMode) = 0;
};

struct IDockingWindow : IOleWindow {
  static constexpr const IID& kIid = IID_IDockingWindow;
  using Base = IOleWindow;

  virtual HRESULT ShowDW(BOOL show) = 0;
  virtual HRESULT CloseDW(DWORD reserved) = 0;
  virtual HRESULT ResizeBorderDW(const RECT* border, IUnknown* toolbarSite, BOOL reserved) = 0;
};

struct IDeskBand : IDockingWindow {
  static constexpr const IID& kIid = IID_IDeskBand;
  using Base = IDockingWindow;

  // Fills the parts of *info that info->dwMask asks for.
  virtual HRESULT GetBandInfo(DWORD bandId, DWORD viewMode, DESKBANDINFO* info) = 0;
};

struct IObjectWithSite : IUnknown {
  static constexpr const IID& kIid = IID_IObjectWithSite;
  using Base = IUnknown;

  // A null site detaches the object.
  virtual HRESULT SetSite(IUnknown* site) = 0;
  virtual HRESULT GetSite(REFIID riid, void** site) = 0;
};

struct IInputObject : IUnknown {
  static constexpr const IID& kIid = IID_IInputObject;
  using Base = IUnknown;

  virtual HRESULT UIActivateIO(BOOL activate, MSG* msg) = 0;
  // S_OK when the object has the keyboard focus, S_FALSE otherwise.
  virtual HRESULT HasFocusIO() = 0;
  // S_OK when the object handled the key, S_FALSE or a failure otherwise.
  virtual HRESULT TranslateAcceleratorIO(MSG* msg) = 0;
};

struct IInputObjectSite : IUnknown {
  static constexpr const IID& kIid = IID_IInputObjectSite;
  using Base = IUnknown;

  virtual HRESULT OnFocusChangeIS(IUnknown* object, BOOL setFocus) = 0;
};

struct IOleControlSite : IUnknown {
  static constexpr const IID& kIid = IID_IOleControlSite;
  using Base = IUnknown;

  virtual HRESULT OnControlInfoChanged() = 0;
  virtual HRESULT LockInPlaceActive(BOOL lock) = 0;
  virtual HRESULT GetExtendedControl(IDispatch** control) = 0;
  virtual HRESULT TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) = 0;
  virtual HRESULT TranslateAccelerator(MSG* msg, DWORD modifiers) = 0;
  virtual HRESULT OnFocus(BOOL gotFocus) = 0;
  virtual HRESULT ShowPropertyFrame() = 0;
};
