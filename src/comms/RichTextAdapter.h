#pragma once

#include "rtf/RtfDocument.h"

class QTextDocument;

namespace pelmora::comms {

// The editor's QTextDocument and the rich-text model meet here, so that everything the fax
// page reads or writes goes through our own reader and writer. Indents in the model are twips,
// in the document pixels at 96 per inch: 15 twips to the pixel.
void loadDocument(const rtf::Document& source, QTextDocument& target);
rtf::Document saveDocument(const QTextDocument& source);

} // namespace pelmora::comms
