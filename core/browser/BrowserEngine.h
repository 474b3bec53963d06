#pragma once
// The browser every page of the service loads in: loads pages in the member's session (shared
// cookie store, HTTP redirects, meta refreshes), keeps the current document with its forms, fills
// and clicks form elements. Callers talk to this interface only, so a rendering engine can take the
// place of the simple engine later.
//
// Two ways to load a page. Open loads it on the calling thread and returns when the document is
// complete (or the load failed): the worker that needs the page waits for it, and nothing is
// handed between threads. On the engine's own thread (the thread that created it) the load keeps
// that thread's events flowing meanwhile, so that thread stays responsive. Navigate only starts
// a load; it runs when the engine's thread next processes its events. Loads never overlap: one
// waits for the other.
//
// The current document (location, page, status) may be read from any thread. Forms, clicks and
// history belong to the thread that loads at the time, one thread at a time.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "browser/HtmlForms.h"
#include "browser/Page.h"

namespace tessaly {

// Download-control flags: kept and read back; the simple engine loads no images, sounds or
// scripts whatever they say.
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

// A load that failed on the server's certificate, or without any secure connection, has
// kCertificateNotTrusted or kNoSecureConnection (net/TransferFailure.h) as its TPage::Failure.

// How a load of Open ended.
enum class TLoadEnd {
    Complete,  // a document from the service is the current document
    Failed,    // no answer, an unreadable one, a refresh loop: the error page is the document
    Stopped,   // stopped, or replaced by another navigation, before it ended
};

class IBrowserEngine {
public:
    virtual ~IBrowserEngine() = default;

    // Loads the address and returns when the document is complete, or the load failed or was
    // stopped.
    [[nodiscard]] virtual TLoadEnd Open(const std::string& url) = 0;
    virtual void Navigate(const std::string& url) = 0;
    // Ends the load in progress (from any thread); the current document stays.
    virtual void Stop() = 0;
    [[nodiscard]] virtual bool Busy() const = 0;
    [[nodiscard]] virtual TReadyState ReadyState() const = 0;
    // The address of the current document (after redirects).
    [[nodiscard]] virtual std::string LocationURL() const = 0;
    [[nodiscard]] virtual bool HasDocument() const = 0;
    // The current document (the empty page before the first load).
    [[nodiscard]] virtual TPagePtr Document() const = 0;
    [[nodiscard]] std::string DocumentSource() const { return Document()->Source(); }
    // Whether the last navigation ended without a document from the service.
    [[nodiscard]] virtual bool NavigationFailed() const = 0;
    [[nodiscard]] virtual bool CanGoBack() const = 0;
    [[nodiscard]] virtual bool CanGoForward() const = 0;
    virtual void GoBack() = 0;
    virtual void GoForward() = 0;

    [[nodiscard]] virtual const std::vector<TForm>& Forms() const = 0;
    virtual bool SetFormFieldValue(const std::string& name, const std::string& value) = 0;
    virtual bool SetFormCheckBox(const std::string& name, bool checked) = 0;
    // Clicks the element; one that submits its form loads the answer before this returns.
    virtual bool ClickFormElement(const std::string& name, const std::string& value) = 0;

    virtual void SetDownloadControl(std::uint32_t flags) = 0;
    [[nodiscard]] virtual std::uint32_t DownloadControl() const = 0;

    // Called on the loading thread when a navigation has finished (also a failed one); an
    // observer that lives on another thread hands it on to that thread.
    std::function<void()> OnDocumentComplete;
};

}  // namespace tessaly
