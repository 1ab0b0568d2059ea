#include "word/interaction_handler.h"

#include "contract/word.h"
#include "prompts/pending_prompts.h"

#include <com/sun/star/document/BrokenPackageRequest.hpp>
#include <com/sun/star/task/ClassifiedInteractionRequest.hpp>
#include <com/sun/star/task/ErrorCodeRequest.hpp>
#include <com/sun/star/task/PasswordRequest.hpp>
#include <com/sun/star/task/XInteractionAbort.hpp>
#include <com/sun/star/task/XInteractionApprove.hpp>
#include <com/sun/star/task/XInteractionDisapprove.hpp>
#include <com/sun/star/uno/Exception.hpp>
#include <cppu/unotype.hxx>
#include <rtl/ustring.hxx>

#include <optional>
#include <string>

namespace ostrel::word {
namespace {

using css::uno::Reference;
using css::uno::UNO_QUERY;
using Continuations = css::uno::Sequence<Reference<css::task::XInteractionContinuation>>;

// The office marks warnings (as opposed to errors) in the top bit of an error code.
constexpr sal_uInt32 kWarningBit = 0x80000000u;

template <typename Continuation> bool selectFirst(const Continuations& continuations) {
    for (const auto& continuation : continuations) {
        Reference<Continuation> wanted(continuation, UNO_QUERY);
        if (wanted.is()) {
            wanted->select();
            return true;
        }
    }
    return false;
}

void refuse(const Continuations& continuations) {
    if (!selectFirst<css::task::XInteractionAbort>(continuations)) {
        selectFirst<css::task::XInteractionDisapprove>(continuations);
    }
}

void approveOrRefuse(const Continuations& continuations) {
    if (!selectFirst<css::task::XInteractionApprove>(continuations)) {
        refuse(continuations);
    }
}

template <typename Request> bool is(const css::uno::Any& request) {
    return cppu::UnoType<Request>::get().isAssignableFrom(request.getValueType());
}

// A message that offers no choice: an error (refused, so that a failed load fails)
// or a warning (acknowledged, so that the document still opens). Nothing else is.
std::optional<bool> notificationIsWarning(const css::uno::Any& request) {
    css::task::ErrorCodeRequest errorCode;
    if (request >>= errorCode) {
        return (static_cast<sal_uInt32>(errorCode.ErrCode) & kWarningBit) != 0;
    }
    css::task::ClassifiedInteractionRequest classified;
    if ((request >>= classified) &&
        classified.Classification != css::task::InteractionClassification_QUERY) {
        return classified.Classification != css::task::InteractionClassification_ERROR;
    }
    return std::nullopt;
}

std::string describe(const css::uno::Any& request) {
    css::document::BrokenPackageRequest broken;
    if (request >>= broken) {
        return "The file \"" +
               std::string(rtl::OUStringToOString(broken.aName, RTL_TEXTENCODING_UTF8).getStr()) +
               "\" is corrupt. Do you want to try to repair it?";
    }
    rtl::OUString text;
    css::uno::Exception exception;
    if (request >>= exception) {
        text = exception.Message;
    }
    text = request.getValueTypeName() + (text.isEmpty() ? rtl::OUString() : ": " + text);
    return rtl::OUStringToOString(text, RTL_TEXTENCODING_UTF8).getStr();
}

} // namespace

void InteractionHandler::handle(const Reference<css::task::XInteractionRequest>& request) {
    if (!request.is()) {
        return;
    }
    const css::uno::Any what = request->getRequest();
    const Continuations continuations = request->getContinuations();
    if (is<css::task::PasswordRequest>(what)) {
        refuse(continuations); // the password given with the load was wrong
        return;
    }
    if (const auto warning = notificationIsWarning(what)) {
        if (*warning) {
            approveOrRefuse(continuations);
        } else {
            refuse(continuations);
        }
        return;
    }
    if (continuations.getLength() == 1) {
        continuations[0]->select(); // nothing to choose
        return;
    }
    const int answer = askPrompt(kPromptTitle, describe(what), kPromptNo, promptTimeout_);
    if (answer == kPromptYes || answer == kPromptOk) {
        approveOrRefuse(continuations);
    } else {
        refuse(continuations);
    }
}

} // namespace ostrel::word
