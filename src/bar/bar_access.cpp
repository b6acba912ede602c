#include "bar/bar_access.h"

#include <oleacc.h>

#include <initializer_list>
#include <new>

#include "bar/bar_keys.h"
#include "bar/bar_state.h"
#include "bar/buttons.h"
#include "host/report.h"
#include "host/state.h"
#include "resources/string_ids.h"

namespace {

// Visits the records in bar order, read only, each locked for the visit, until
// `visit` answers false. The visit's data stays with the caller.
template <typename Visit>
bool VisitButtons(Visit visit) {
  long child = 0;
  for (HLOCAL handle = GetFirstButton(); handle;) {
    const auto* record = static_cast<const ButtonRecord*>(LocalLock(handle));
    if (!record) return false;
    const bool goOn = visit(*record, handle, ++child);
    const HLOCAL next = record->next;
    LocalUnlock(handle);
    if (!goOn) break;
    handle = next;
  }
  return true;
}

// A button's name is what its popup shows: its description, or its program
// name or menu item text when it has none.
bool ReadButtonName(long child, wchar_t* name, int size) {
  bool found = false;
  VisitButtons([&](const ButtonRecord& record, HLOCAL, long at) {
    if (at != child) return true;
    found = true;
    name[0] = L'\0';
    for (HLOCAL block : {record.description.handle, record.programName.handle}) {
      const auto* text = block ? static_cast<const char*>(LocalLock(block)) : nullptr;
      if (!text) continue;
      if (*text) MultiByteToWideChar(CP_ACP, 0, text, -1, name, size);
      name[size - 1] = L'\0';
      LocalUnlock(block);
      if (name[0]) break;
    }
    return false;
  });
  return found;
}

BSTR StringFromTable(UINT id) {
  wchar_t text[kTextBufferSize];
  if (LoadStringW(extState.instance, id, text, kTextBufferSize) == 0) return nullptr;
  return SysAllocString(text);
}

// The tool bar and its buttons for Active Accessibility. Lives from the first
// WM_GETOBJECT to the unload; every method answers on File Manager's thread
// only, and only while the bar exists.
class BarAccessible final : public IAccessible {
 public:
  explicit BarAccessible(HWND bar) : bar_(bar), thread_(GetCurrentThreadId()) {}

  void Disconnect() { bar_ = nullptr; }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IAccessible) {
      *object = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(InterlockedIncrement(&references_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return ULONG(left);
  }

  // IDispatch: the readers use the interface's own methods.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    if (!parent) return E_POINTER;
    *parent = nullptr;
    if (HRESULT gone = Gone()) return gone;
    return CreateStdAccessibleObject(bar_, OBJID_WINDOW, IID_IDispatch,
                                     reinterpret_cast<void**>(parent));
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    if (HRESULT gone = Gone()) return gone;
    *count = CountButtons();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (HRESULT wrong = CheckChild(child)) return wrong;
    // The buttons are simple elements of the bar's object.
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (!name) return E_POINTER;
    *name = nullptr;
    if (HRESULT wrong = CheckChild(child)) return wrong;
    if (child.lVal == CHILDID_SELF) {
      *name = StringFromTable(IDS_ACC_BAR_NAME);
    } else {
      wchar_t text[kTextBufferSize];
      if (!ReadButtonName(child.lVal, text, kTextBufferSize)) return E_FAIL;
      *name = SysAllocString(text);
    }
    return *name ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return NoText(child, value);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
    return NoText(child, text);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (!role) return E_POINTER;
    VariantInit(role);
    if (HRESULT wrong = CheckChild(child)) return wrong;
    role->vt = VT_I4;
    role->lVal = child.lVal == CHILDID_SELF ? ROLE_SYSTEM_TOOLBAR : ROLE_SYSTEM_PUSHBUTTON;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    if (!state) return E_POINTER;
    VariantInit(state);
    if (HRESULT wrong = CheckChild(child)) return wrong;
    state->vt = VT_I4;
    state->lVal = StateOf(child.lVal);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
    return NoText(child, help);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
    if (file) *file = nullptr;
    if (topic) *topic = -1;
    if (HRESULT wrong = CheckChild(child)) return wrong;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override {
    return NoText(child, keys);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    if (!focus) return E_POINTER;
    VariantInit(focus);
    if (HRESULT gone = Gone()) return gone;
    if (GetFocus() != bar_) return S_FALSE;
    focus->vt = VT_I4;
    focus->lVal = FocusedButton();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    if (!selection) return E_POINTER;
    VariantInit(selection);
    if (HRESULT gone = Gone()) return gone;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    if (!action) return E_POINTER;
    *action = nullptr;
    if (HRESULT wrong = CheckChild(child)) return wrong;
    if (child.lVal == CHILDID_SELF) return DISP_E_MEMBERNOTFOUND;
    *action = StringFromTable(IDS_ACC_PRESS);
    return *action ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE accSelect(long, VARIANT child) override {
    if (HRESULT wrong = CheckChild(child)) return wrong;
    return DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                        VARIANT child) override {
    if (!left || !top || !width || !height) return E_POINTER;
    *left = *top = *width = *height = 0;
    if (HRESULT wrong = CheckChild(child)) return wrong;
    RECT rect;
    if (child.lVal == CHILDID_SELF) {
      GetClientRect(bar_, &rect);
    } else {
      ButtonPlace place;
      if (!FindButton(child.lVal, &place)) return E_FAIL;
      rect = place.rect;
    }
    MapWindowPoints(bar_, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    *left = rect.left;
    *top = rect.top;
    *width = rect.right > rect.left ? rect.right - rect.left : 0;
    *height = rect.bottom > rect.top ? rect.bottom - rect.top : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
    if (!end) return E_POINTER;
    VariantInit(end);
    if (HRESULT wrong = CheckChild(start)) return wrong;
    const long count = CountButtons();
    long to = 0;
    if (start.lVal == CHILDID_SELF) {
      if (direction == NAVDIR_FIRSTCHILD) to = count > 0 ? 1 : 0;
      if (direction == NAVDIR_LASTCHILD) to = count;
    } else if (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD) {
      return E_INVALIDARG;  // a button has no children
    } else if (direction == NAVDIR_NEXT || direction == NAVDIR_RIGHT) {
      to = start.lVal < count ? start.lVal + 1 : 0;
    } else if (direction == NAVDIR_PREVIOUS || direction == NAVDIR_LEFT) {
      to = start.lVal - 1;
    }
    if (to <= 0) return S_FALSE;
    end->vt = VT_I4;
    end->lVal = to;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* found) override {
    if (!found) return E_POINTER;
    VariantInit(found);
    if (HRESULT gone = Gone()) return gone;
    POINT point = {x, y};
    RECT client;
    GetClientRect(bar_, &client);
    if (!ScreenToClient(bar_, &point) || !PtInRect(&client, point)) return S_FALSE;
    found->vt = VT_I4;
    found->lVal = ButtonAtPoint(point);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    if (HRESULT wrong = CheckChild(child)) return wrong;
    if (child.lVal == CHILDID_SELF) return DISP_E_MEMBERNOTFOUND;
    if (!extState.barOn) return E_FAIL;
    if (!PostMessageA(bar_, kRunChildMessage, WPARAM(child.lVal), 0)) return E_FAIL;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  // A failure code once the bar is gone, or when asked on another thread
  // (the list is File Manager's thread's alone); 0 otherwise.
  HRESULT Gone() const {
    if (!bar_ || !IsWindow(bar_)) return RPC_E_DISCONNECTED;
    if (GetCurrentThreadId() != thread_) return RPC_E_WRONG_THREAD;
    return S_OK;
  }
  HRESULT CheckChild(const VARIANT& child) const {
    if (HRESULT gone = Gone()) return gone;
    if (child.vt != VT_I4) return E_INVALIDARG;
    if (child.lVal == CHILDID_SELF) return S_OK;
    return child.lVal > 0 && child.lVal <= CountButtons() ? S_OK : E_INVALIDARG;
  }
  HRESULT NoText(const VARIANT& child, BSTR* text) const {
    if (!text) return E_POINTER;
    *text = nullptr;
    if (HRESULT wrong = CheckChild(child)) return wrong;
    return S_FALSE;
  }
  long StateOf(long child) const {
    long state = STATE_SYSTEM_FOCUSABLE;
    if (!extState.barOn) state |= STATE_SYSTEM_UNAVAILABLE;
    const bool focused = GetFocus() == bar_;
    if (child == CHILDID_SELF) {
      if (!IsWindowVisible(bar_)) state |= STATE_SYSTEM_INVISIBLE;
      if (focused && FocusedButton() == 0) state |= STATE_SYSTEM_FOCUSED;
      return state;
    }
    ButtonPlace place;
    if (!FindButton(child, &place)) return state;
    if (place.rect.right <= place.rect.left)
      state |= STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN;
    if (focused && FocusedButton() == child) state |= STATE_SYSTEM_FOCUSED;
    // Pressed while the mouse holds it down.
    if (hitButton && GetCapture() == bar_ && LocalHandle(hitButton) == place.handle)
      state |= STATE_SYSTEM_PRESSED;
    POINT cursor;
    if (GetCursorPos(&cursor) && WindowFromPoint(cursor) == bar_ && ScreenToClient(bar_, &cursor) &&
        ButtonAtPoint(cursor) == child)
      state |= STATE_SYSTEM_HOTTRACKED;
    return state;
  }

  LONG references_ = 1;  // the bar's own reference, given up at the unload
  HWND bar_;
  DWORD thread_;
};

// Made at the first WM_GETOBJECT; holds the bar's reference until
// DisconnectBarAccess.
BarAccessible* barAccessible = nullptr;
// The last child count the readers were told of.
long toldCount = -1;
// LresultFromObject fails alike for every later request: told once per load.
bool lresultFailureReported = false;

}  // namespace

long CountButtons() {
  long count = 0;
  VisitButtons([&](const ButtonRecord&, HLOCAL, long child) {
    count = child;
    return true;
  });
  return count;
}

bool FindButton(long child, ButtonPlace* place) {
  bool found = false;
  VisitButtons([&](const ButtonRecord& record, HLOCAL handle, long at) {
    if (at != child) return true;
    *place = {handle, {record.left, record.top, record.right, record.bottom}};
    found = true;
    return false;
  });
  return found;
}

long ButtonAtPoint(POINT point) {
  long hit = 0;
  VisitButtons([&](const ButtonRecord& record, HLOCAL, long child) {
    if (point.y < record.top || point.y > record.bottom || point.x < record.left) return false;
    if (record.left < point.x && point.x < record.right && record.top < point.y &&
        point.y < record.bottom) {
      hit = child;
      return false;
    }
    return true;
  });
  return hit;
}

bool AnswerGetObject(WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (static_cast<LONG>(lParam) != OBJID_CLIENT || !extState.barWindow) return false;
  if (!barAccessible) barAccessible = new (std::nothrow) BarAccessible(extState.barWindow);
  if (!barAccessible) return false;
  const LRESULT answer = LresultFromObject(IID_IAccessible, wParam, barAccessible);
  if (answer < 0) {
    if (!lresultFailureReported) ReportFailure(IDS_TAG_QXACCESS, IDS_OP_LRESULTFROMOBJECT, 1);
    lresultFailureReported = true;
    return false;
  }
  *result = answer;
  return true;
}

void NotifyButtonsChanged() {
  KeepKeysInList();
  if (!extState.barWindow) return;
  const long count = CountButtons();
  if (count != toldCount && toldCount >= 0) {
    // One event per child made or gone at the end, then the new order.
    for (long child = toldCount + 1; child <= count; ++child)
      NotifyWinEvent(EVENT_OBJECT_CREATE, extState.barWindow, OBJID_CLIENT, child);
    for (long child = toldCount; child > count; --child)
      NotifyWinEvent(EVENT_OBJECT_DESTROY, extState.barWindow, OBJID_CLIENT, child);
  }
  toldCount = count;
  NotifyWinEvent(EVENT_OBJECT_REORDER, extState.barWindow, OBJID_CLIENT, CHILDID_SELF);
}

void DisconnectBarAccess() {
  toldCount = -1;
  lresultFailureReported = false;
  if (!barAccessible) return;
  barAccessible->Disconnect();
  // The stubs of other threads and processes let go of the object here.
  CoDisconnectObject(barAccessible, 0);
  barAccessible->Release();
  barAccessible = nullptr;
}
