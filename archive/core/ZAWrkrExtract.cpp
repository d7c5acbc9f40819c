// The extract operation: checks the archive and the base folder, joins a multi-part archive,
// hands one command record to the engine and cleans up whatever happens.

#include "archive/ZAWrkr.h"

namespace quill::archive {

using namespace zipengine_abi;

namespace {

constexpr int32_t Flag(bool value) {
    return value ? kTrue : kFalse;
}

bool EndsInSeparator(const std::string& s) {
    return !s.empty() && (s.back() == '\\' || s.back() == '/');
}

// Appends the separator the path already uses (the last one in it), a backslash if none.
std::string WithTrailingSeparator(std::string path) {
    if (EndsInSeparator(path)) return path;
    const size_t last = path.find_last_of("\\/");
    path += last == std::string::npos ? '\\' : path[last];
    return path;
}

}  // namespace

void TZAWorker::ExtractOperation() {
    SuccessCount = 0;
    SetLastError(0, {});
    // A handler's failure belongs to the run it ended, never to a later one.
    CallbackExceptionText().clear();
    const uint32_t savedRequestCount = PasswordReqCount;
    if (InOperation) return;
    InOperation = true;
    SetCancel(false);

    bool bound = false;
    bool requestsReduced = false;
    std::string joinedArchive;
    // Whatever ends the run, the engine's hold, the joined copy and the pattern list go.
    auto cleanUp = [&] {
        if (bound) {
            bound = false;
            ReleaseOperation();
        }
        InOperation = false;
        FSpecArgs.clear();
        if (!joinedArchive.empty()) Platform().DeleteFile(joinedArchive, false);
        joinedArchive.clear();
        if (requestsReduced) PasswordReqCount = savedRequestCount;
    };

    try {
        if (ZipFileName().empty()) throw EZipArchiver::CreateId(ZS::NoZipSpecified, true);
        if (EntryCount() == 0) {
            List();
            if (EntryCount() == 0) {
                InOperation = false;
                if (LastErrorCode() == 0) throw EZipArchiver::CreateId(ZS::FileOpen, true);
            }
        }
        SetCancel(false);

        std::string baseFolder;
        if (InOperation && !ExtrBaseDir.empty() && !ExtrOptions.Has(ExtrTest)) {
            baseFolder = Platform().ExpandFileName(WithTrailingSeparator(ExtrBaseDir));
            baseFolder = WithTrailingSeparator(baseFolder);
            if (ExtrOptions.Has(ExtrForceDirs)) Platform().ForceDirectories(baseFolder);
            if (!Platform().DirectoryExists(baseFolder))
                throw EZipArchiver::CreateIdStr(ZS::ExtractDirMustExist, baseFolder);
            const std::string probe = Platform().TempFileName(baseFolder, "tmp");
            if (probe.empty())
                throw EZipArchiver::CreateIdOsError(ZS::CannotWrite,
                                                    int(Loader().LastSystemError()), baseFolder);
            Platform().DeleteFile(probe, false);
        }

        std::string archivePath = ZipFileName();
        if (InOperation && LastDiskNumber > 0) {
            std::string destination = TempDir.empty() ? Platform().TempFolder() : TempDir;
            if (destination.empty()) throw EZipArchiver::CreateIdStr(ZS::CannotWrite, "%TEMP%");
            if (!EndsInSeparator(destination)) destination += '\\';
            if (ReadSpan(ZipFileName(), destination, true) == 0) {
                archivePath = joinedArchive = destination;
            } else {
                InOperation = false;
            }
        }
        if (!InOperation) {
            cleanUp();
            return;
        }

        BindForOperation();
        bound = true;

        // The record points into these strings; they live until the engine returns.
        const std::string password = Password;
        std::vector<ZE_FileSpec> specs;
        if (!FSpecArgs.empty() && FSpecArgs.front() != "*.*")
            for (const std::string& spec : FSpecArgs)
                specs.push_back(ZE_FileSpec{spec.c_str(), {}});

        if (Unattended && Password.empty() && !OnPasswordError) {
            requestsReduced = true;
            PasswordReqCount = 0;
            Report(ZAReport::Message, 0, 0, LoadZipText(ZS::UnattendedExtract));
        }

        ZE_CommandRecord record{};
        record.windowHandle = Unattended ? nullptr : MainWindowHandle;
        record.caller = static_cast<TZADynamicBind*>(this);
        record.version = kEngineVersion;
        record.callback = &TZADynamicBind::Callback;
        record.trace = Flag(Trace);
        record.password = password.c_str();
        record.test = Flag(ExtrOptions.Has(ExtrTest));
        record.reserved44 = kTrue;
        record.verbose = Flag(Verbose || Trace);
        record.update = Flag(ExtrOptions.Has(ExtrUpdate));
        record.freshen = Flag(ExtrOptions.Has(ExtrFreshen) && !ExtrOptions.Has(ExtrUpdate));
        record.directoryNames = Flag(ExtrOptions.Has(ExtrDirNames));
        record.overwrite = Flag(ExtrOptions.Has(ExtrOverWrite));
        record.refuseUnsafe = Flag(ExtrOptions.Has(ExtrRefuseUnsafe));
        record.specCount = int32_t(specs.size());
        record.archive = archivePath.c_str();
        record.specs = specs.empty() ? nullptr : specs.data();
        record.passwordRequests =
            int32_t(std::min<uint32_t>(PasswordReqCount, kMaxPasswordRequests));
        record.baseFolder = baseFolder.empty() ? nullptr : baseFolder.c_str();
        record.checkValue = kCheckValue;

        SuccessCount = ExecUnzip(record);
        cleanUp();
    } catch (EZipArchiver& e) {
        cleanUp();
        e.Message += CallbackExceptionText();
        ExceptionMessage(e);
    } catch (...) {
        cleanUp();
        throw;
    }
}

}  // namespace quill::archive
