#pragma once
// The I/O component: loads files into the working image and saves it, picking
// the codec by the file-name extension.
#include <memory>
#include <string>

#include "imaging/image_client.h"
#include "io/io_params.h"

namespace pix {

class TPixImageIO;

// Handed to every codec for one load or save.
struct TProgressRecord {
  TPixProgressEvent* Handler = nullptr;  // may be empty
  TPixObject* Sender = nullptr;
  int64_t Counter = 0;
  double PerUnit = 0.0;                  // percent per counted unit
  bool* Aborting = nullptr;              // the component's AbortFlag

  void Report(int per) const {
    if (Handler && *Handler) (*Handler)(Sender, per);
  }
  void Abort() const {
    if (Aborting) *Aborting = true;
  }
  bool Aborted() const { return Aborting && *Aborting; }
};
using IOProgressRecord = TProgressRecord;

class TPixImageIO : public TPixImageClient {
public:
  TPixImageIO();
  ~TPixImageIO() override;

  TIOParams& ParamRecord() { return *m_params; }
  // Copies the record of another I/O component or a bare record; ignores the rest.
  void AssignParams(TPixObject* source);

  // Ignored while attached to a multi-image view.
  void SetBackground(TColor c) override;

  // Cleared at the start of every load and save; set by a codec that gave up.
  bool AbortFlag() const { return m_aborting; }

  bool StreamHeaders = false;

  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName);
  void SaveAsJpeg(const std::string& fileName);

protected:
  bool m_aborting = false;
  TProgressRecord MakeProgressRecord();

private:
  std::unique_ptr<TIOParams> m_params;
};

}  // namespace pix
