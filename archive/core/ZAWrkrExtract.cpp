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
    FSuccessCount = 0;
    SetLastError(0, {});
    // A handler's failure belongs to the run it ended, never to a later one.
    FCallbackExceptionText.clear();
    const uint32_t savedRequestCount = FSettings.PasswordReqCount;
    if (FInOperation) return;
    FInOperation = true;
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
        FInOperation = false;
        FSettings.FSpecArgs.clear();
        if (!joinedArchive.empty()) Platform().DeleteFile(joinedArchive, false);
        joinedArchive.clear();
        if (requestsReduced) FSettings.PasswordReqCount = savedRequestCount;
    };

    try {
        if (ZipFileName().empty()) throw EZipArchiver::CreateId(ZS::NoZipSpecified, true);
        if (EntryCount() == 0) {
            List();
            if (EntryCount() == 0) {
                FInOperation = false;
                if (LastErrorCode() == 0) throw EZipArchiver::CreateId(ZS::FileOpen, true);
            }
        }
        SetCancel(false);

        std::string baseFolder;
        if (FInOperation && !FSettings.ExtrBaseDir.empty() &&
            !FSettings.ExtrOptions.Contains(ExtrTest)) {
            baseFolder = Platform().ExpandFileName(WithTrailingSeparator(FSettings.ExtrBaseDir));
            baseFolder = WithTrailingSeparator(baseFolder);
            if (FSettings.ExtrOptions.Contains(ExtrForceDirs))
                Platform().ForceDirectories(baseFolder);
            if (!Platform().DirectoryExists(baseFolder))
                throw EZipArchiver::CreateIdStr(ZS::ExtractDirMustExist, baseFolder);
            const std::string probe = Platform().TempFileName(baseFolder, "tmp");
            if (probe.empty())
                throw EZipArchiver::CreateIdOsError(ZS::CannotWrite,
                                                    int(Loader().LastSystemError()), baseFolder);
            Platform().DeleteFile(probe, false);
        }

        std::string archivePath = ZipFileName();
        if (FInOperation && FDir.LastDiskNumber > 0) {
            std::string destination =
                FSettings.TempDir.empty() ? Platform().TempFolder() : FSettings.TempDir;
            if (destination.empty()) throw EZipArchiver::CreateIdStr(ZS::CannotWrite, "%TEMP%");
            if (!EndsInSeparator(destination)) destination += '\\';
            if (ReadSpan(ZipFileName(), destination, true) == 0) {
                archivePath = joinedArchive = destination;
            } else {
                FInOperation = false;
            }
        }
        if (!FInOperation) {
            cleanUp();
            return;
        }

        BindForOperation();
        bound = true;

        // The record points into these strings; they live until the engine returns.
        const std::string password = FSettings.Password;
        std::vector<ZE_FileSpec> specs;
        if (!FSettings.FSpecArgs.empty() && FSettings.FSpecArgs.front() != "*.*")
            for (const std::string& spec : FSettings.FSpecArgs)
                specs.push_back(ZE_FileSpec{spec.c_str(), {}});

        if (FSettings.Unattended && FSettings.Password.empty() && !OnPasswordError) {
            requestsReduced = true;
            FSettings.PasswordReqCount = 0;
            Report(ZAReport::Message, 0, 0, LoadZipText(ZS::UnattendedExtract));
        }

        ZE_CommandRecord record{};
        record.windowHandle = FSettings.Unattended ? nullptr : FSettings.MainWindowHandle;
        record.caller = static_cast<TZADynamicBind*>(this);
        record.version = kEngineVersion;
        record.callback = &TZADynamicBind::Callback;
        record.trace = Flag(FSettings.Trace);
        record.password = password.c_str();
        record.test = Flag(FSettings.ExtrOptions.Contains(ExtrTest));
        record.reserved44 = kTrue;
        record.verbose = Flag(FSettings.Verbose || FSettings.Trace);
        record.update = Flag(FSettings.ExtrOptions.Contains(ExtrUpdate));
        record.freshen = Flag(FSettings.ExtrOptions.Contains(ExtrFreshen) &&
                              !FSettings.ExtrOptions.Contains(ExtrUpdate));
        record.directoryNames = Flag(FSettings.ExtrOptions.Contains(ExtrDirNames));
        record.overwrite = Flag(FSettings.ExtrOptions.Contains(ExtrOverWrite));
        record.refuseUnsafe = Flag(FSettings.ExtrOptions.Contains(ExtrRefuseUnsafe));
        record.specCount = int32_t(specs.size());
        record.archive = archivePath.c_str();
        record.specs = specs.empty() ? nullptr : specs.data();
        record.passwordRequests =
            int32_t(std::min<uint32_t>(FSettings.PasswordReqCount, kMaxPasswordRequests));
        record.baseFolder = baseFolder.empty() ? nullptr : baseFolder.c_str();
        record.checkValue = kCheckValue;

        FSuccessCount = ExecUnzip(record);
        cleanUp();
    } catch (EZipArchiver& e) {
        cleanUp();
        e.Message += FCallbackExceptionText;
        ExceptionMessage(e);
    } catch (...) {
        cleanUp();
        throw;
    }
}

}  // namespace quill::archive
