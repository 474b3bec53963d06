#pragma once
// The browser behind the console: loads pages in the member's session (shared cookie store,
// HTTP redirects, meta refreshes), keeps the current document with its forms, fills and clicks
// form elements. Callers talk to this interface only, so a rendering engine can take the
// place of the simple engine later.
//
// Navigation is asynchronous: the page loads on a background thread and completion is
// delivered on the thread that created the engine (the user-interface thread), through its
// Qt event loop, as OnDocumentComplete. Everything except LocationURL belongs to that thread;
// LocationURL may be read from any thread.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "browser/HtmlForms.h"

namespace tessaly {

// Download-control flags kept for the console's settings.
inline constexpr std::uint32_t kDownloadControlDefault =
    0x00000070;  // images, videos, sounds; silent
inline constexpr std::uint32_t kDownloadControlHarvest = 0x60019F00;

enum TReadyState {
    rsUninitialized = 0,
    rsLoading = 1,
    rsLoaded = 2,
    rsInteractive = 3,
    rsComplete = 4
};

class IBrowserEngine {
public:
    virtual ~IBrowserEngine() = default;

    virtual void Navigate(const std::string& url) = 0;
    virtual void Stop() = 0;
    [[nodiscard]] virtual bool Busy() const = 0;
    [[nodiscard]] virtual TReadyState ReadyState() const = 0;
    // The address of the current document (after redirects); safe from any thread.
    [[nodiscard]] virtual std::string LocationURL() const = 0;
    [[nodiscard]] virtual bool HasDocument() const = 0;
    [[nodiscard]] virtual std::string DocumentSource() const = 0;
    // Whether the last navigation ended without a document from the service (no answer,
    // a redirect or refresh loop, stopped).
    [[nodiscard]] virtual bool NavigationFailed() const = 0;
    [[nodiscard]] virtual bool CanGoBack() const = 0;
    [[nodiscard]] virtual bool CanGoForward() const = 0;
    virtual void GoBack() = 0;
    virtual void GoForward() = 0;

    [[nodiscard]] virtual const std::vector<TForm>& Forms() const = 0;
    virtual bool SetFormFieldValue(const std::string& name, const std::string& value) = 0;
    virtual bool SetFormCheckBox(const std::string& name, bool checked) = 0;
    virtual bool ClickFormElement(const std::string& name, const std::string& value) = 0;

    virtual void SetDownloadControl(std::uint32_t flags) = 0;
    [[nodiscard]] virtual std::uint32_t DownloadControl() const = 0;

    // Called on the engine's thread when a navigation has finished (also a failed one).
    std::function<void()> OnDocumentComplete;
};

}  // namespace tessaly
