// SPDX-License-Identifier: MIT
// libcurl and its two dozen dependencies are loaded on the first web request
// instead of at every start: the program defines the few entry points it
// calls and forwards them to the library opened with dlopen. Without the
// library every call fails as curl itself would, and the request reports it.
#include <curl/curl.h>
#include <dlfcn.h>

#include <cstdarg>

namespace {

struct CurlApi {
  CURLcode (*globalInit)(long);
  CURL* (*easyInit)();
  void (*easyCleanup)(CURL*);
  CURLcode (*easyPerform)(CURL*);
  CURLcode (*easySetopt)(CURL*, CURLoption, ...);
  CURLcode (*easyGetinfo)(CURL*, CURLINFO, ...);
  const char* (*easyStrerror)(CURLcode);
};

template <typename F>
bool Resolve(void* library, const char* name, F& target) {
  target = reinterpret_cast<F>(dlsym(library, name));
  return target != nullptr;
}

const CurlApi* Api() {
  static const CurlApi* api = []() -> const CurlApi* {
    void* library = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
    if (!library) return nullptr;
    static CurlApi loaded{};
    const bool ok = Resolve(library, "curl_global_init", loaded.globalInit) &&
                    Resolve(library, "curl_easy_init", loaded.easyInit) &&
                    Resolve(library, "curl_easy_cleanup", loaded.easyCleanup) &&
                    Resolve(library, "curl_easy_perform", loaded.easyPerform) &&
                    Resolve(library, "curl_easy_setopt", loaded.easySetopt) &&
                    Resolve(library, "curl_easy_getinfo", loaded.easyGetinfo) &&
                    Resolve(library, "curl_easy_strerror", loaded.easyStrerror);
    return ok ? &loaded : nullptr;
  }();
  return api;
}

}  // namespace

extern "C" {

CURLcode curl_global_init(long flags) { return Api() ? Api()->globalInit(flags) : CURLE_FAILED_INIT; }

CURL* curl_easy_init() { return Api() ? Api()->easyInit() : nullptr; }

void curl_easy_cleanup(CURL* handle) {
  if (Api() && handle) Api()->easyCleanup(handle);
}

CURLcode curl_easy_perform(CURL* handle) { return Api() ? Api()->easyPerform(handle) : CURLE_FAILED_INIT; }

const char* curl_easy_strerror(CURLcode code) { return Api() ? Api()->easyStrerror(code) : "libcurl is missing"; }

// The option's number tells the type of its one argument, as in curl itself.
CURLcode curl_easy_setopt(CURL* handle, CURLoption option, ...) {
  if (!Api()) return CURLE_FAILED_INIT;
  va_list args;
  va_start(args, option);
  CURLcode rc;
  if (option < CURLOPTTYPE_OBJECTPOINT) {
    rc = Api()->easySetopt(handle, option, va_arg(args, long));
  } else if (option < CURLOPTTYPE_FUNCTIONPOINT) {
    rc = Api()->easySetopt(handle, option, va_arg(args, void*));
  } else if (option < CURLOPTTYPE_OFF_T) {
    rc = Api()->easySetopt(handle, option, va_arg(args, void (*)()));
  } else if (option < CURLOPTTYPE_BLOB) {
    rc = Api()->easySetopt(handle, option, va_arg(args, curl_off_t));
  } else {
    rc = Api()->easySetopt(handle, option, va_arg(args, void*));
  }
  va_end(args);
  return rc;
}

// Every information item is returned through one pointer.
CURLcode curl_easy_getinfo(CURL* handle, CURLINFO info, ...) {
  if (!Api()) return CURLE_FAILED_INIT;
  va_list args;
  va_start(args, info);
  void* target = va_arg(args, void*);
  va_end(args);
  return Api()->easyGetinfo(handle, info, target);
}

}  // extern "C"
