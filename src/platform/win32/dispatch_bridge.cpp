#include "platform/win32/dispatch_bridge.h"

#include "platform/win32/errors.h"

namespace quill::win32 {

namespace {

// Members of the object model this build does not reach yet fail like a
// member the object lacks.
[[noreturn]] void not_bridged() {
    throw HostError(E_NOTIMPL, u"Object doesn't support this property or method");
}

class DispatchObject final : public host::Object, public DispatchHolder {
public:
    explicit DispatchObject(ComPtr<IDispatch> d) : d_(std::move(d)) {}
    IDispatch* dispatch() const noexcept override { return d_.get(); }
    std::shared_ptr<host::Application> QueryApplication() override { return wrap_application(d_.get()); }

private:
    ComPtr<IDispatch> d_;
};

class DispatchApplication final : public host::Application, public DispatchHolder {
public:
    explicit DispatchApplication(ComPtr<IDispatch> d) : d_(std::move(d)) {}
    IDispatch* dispatch() const noexcept override { return d_.get(); }

    std::shared_ptr<host::Range> ActiveCell() override { not_bridged(); }
    std::shared_ptr<host::Range> Selection() override { not_bridged(); }
    std::shared_ptr<host::CommandBars> CommandBars() override { not_bridged(); }
    std::optional<host::FileList> GetOpenFilename(const std::u16string&, std::optional<std::int32_t>,
                                                  const std::u16string&, const std::u16string&, bool) override {
        not_bridged();
    }
    std::shared_ptr<host::WorksheetFunction> WorksheetFunction() override { not_bridged(); }
    bool ScreenUpdating() override { not_bridged(); }
    void ScreenUpdating(bool) override { not_bridged(); }
    std::int32_t DisplayCommentIndicator() override { not_bridged(); }
    void DisplayCommentIndicator(std::int32_t) override { not_bridged(); }
    bool Visible() override { not_bridged(); }
    void Visible(bool) override { not_bridged(); }
    std::u16string UserName() override { not_bridged(); }
    std::u16string Version() override { not_bridged(); }
    std::int32_t hWnd() override { not_bridged(); }

private:
    ComPtr<IDispatch> d_;
};

class DispatchControl final : public host::CommandBarControl, public DispatchHolder {
public:
    explicit DispatchControl(ComPtr<IDispatch> d) : d_(std::move(d)) {}
    IDispatch* dispatch() const noexcept override { return d_.get(); }

    std::u16string Caption() override { not_bridged(); }
    void Caption(const std::u16string&) override { not_bridged(); }
    void Delete() override { not_bridged(); }
    std::shared_ptr<host::CommandBarControls> Controls() override { not_bridged(); }
    std::uint32_t Advise(std::shared_ptr<host::CommandBarButtonEvents>) override { not_bridged(); }
    void Unadvise(std::uint32_t) override {}

private:
    ComPtr<IDispatch> d_;
};

}  // namespace

std::shared_ptr<host::Object> wrap_object(IDispatch* object) {
    if (!object) return nullptr;
    return std::make_shared<DispatchObject>(ComPtr<IDispatch>::copy(object));
}

std::shared_ptr<host::Application> wrap_application(IDispatch* object) {
    if (!object) return nullptr;
    ComPtr<IDispatch> app;
    if (FAILED(object->QueryInterface(IID_ExcelApplication, reinterpret_cast<void**>(app.put()))) || !app) {
        throw err::TypeMismatch();
    }
    return std::make_shared<DispatchApplication>(std::move(app));
}

std::shared_ptr<host::CommandBarControl> wrap_control(IDispatch* object) {
    if (!object) return nullptr;
    return std::make_shared<DispatchControl>(ComPtr<IDispatch>::copy(object));
}

}  // namespace quill::win32
