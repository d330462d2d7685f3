#include "report/report_labels.h"

#include <QtGlobal>

// The CIO column is translated in context "Cio message" when the CIO file is written.
const ReportLabels kReportLabels = {{
    /* LblFunctions */
    {"Functions ...................", "Fonctions ...................", ""},
    /* LblServiceHit */
    {"Hit .........................", "Executee ....................",
     QT_TRANSLATE_NOOP("Cio message", "Hit")},
    /* LblHitYes */
    {"   yes", "   oui", QT_TRANSLATE_NOOP("Cio message", "yes")},
    /* LblHitNo */
    {"    no", "   non", QT_TRANSLATE_NOOP("Cio message", "no")},
    /* LblFunctionsExits */
    {"Functions and exits .........", "Fonctions et sorties ........",
     QT_TRANSLATE_NOOP("Cio message", "Functions and exits")},
    /* LblCalls */
    {"Calls .......................", "Appels ......................",
     QT_TRANSLATE_NOOP("Cio message", "Calls")},
    /* LblStatementBlocks */
    {"Statement blocks ............", "Blocs d'instructions ........",
     QT_TRANSLATE_NOOP("Cio message", "Statement blocks")},
    /* LblImplicitBlocks */
    {"Implicit blocks .............", "Blocs implicites ............",
     QT_TRANSLATE_NOOP("Cio message", "Implicit blocks")},
    /* LblDecisions */
    {"Decisions ...................", "Decisions ...................",
     QT_TRANSLATE_NOOP("Cio message", "Decisions")},
    /* LblLoops */
    {"Loops .......................", "Boucles .....................",
     QT_TRANSLATE_NOOP("Cio message", "Loops")},
    /* LblAsyncBlocks */
    {"Asynchronous transfer block .", "Blocs asynchrones ...........",
     QT_TRANSLATE_NOOP("Cio message", "Asynchronous transfer block")},
    /* LblBasicConditions */
    {"Basic conditions ............", "Conditions elementaires .....",
     QT_TRANSLATE_NOOP("Cio message", "Basic conditions")},
    /* LblModifiedConditions */
    {"Modified conditions .........", "Conditions modifiees ........",
     QT_TRANSLATE_NOOP("Cio message", "Modified conditions")},
    /* LblCompoundConditions */
    {"Multiple conditions .........", "Conditions composees ........",
     QT_TRANSLATE_NOOP("Cio message", "Multiple conditions")},
    /* LblForcedModifiedConditions */
    {"Forced modified conditions ..", "Conditions modifiees forcees ",
     QT_TRANSLATE_NOOP("Cio message", "Forced modified conditions")},
    /* LblForcedCompoundConditions */
    {"Forced multiple conditions ..", "Conditions composees forcees ",
     QT_TRANSLATE_NOOP("Cio message", "Forced multiple conditions")},
    /* LblEntryReference */
    {"incoming", "entree", ""},
    /* LblRegularExitReference */
    {"regular leaving", "sortie normale", ""},
    /* LblReturnExitReference */
    {"return", "return", ""},
    /* LblTerminationExitReference */
    {"termination", "terminaison", ""},
    /* LblLineWord */
    {"line", "ligne", ""},
    /* LblRunConclusion */
    {"Conclusion", "Conclusion", ""},
    /* LblTestConclusionPrefix */
    {"Conclusion Test ", "Conclusion Test ", ""},
    /* LblCountUnit */
    {"time(s)", "fois", ""},
    /* LblNone */
    {"  none", " aucun(e)", QT_TRANSLATE_NOOP("Cio message", "none")},
    /* LblNotInstrumented */
    {"   n/a", " n/a", QT_TRANSLATE_NOOP("Cio message", "n/a")},
    /* LblReportTitle */
    {"Corvane(R) Velmora Coverage - Report", "Corvane(R) Velmora Coverage - Rapport", ""},
    /* LblHitReferencesHeading */
    {"Following source references were hit", "Les references source qui suivent ont ete executees",
     ""},
    /* LblUnhitReferencesHeading */
    {"Following source references were not hit",
     "Les references source qui suivent n'ont pas ete executees", ""},
    /* LblCountSaturated */
    {" (maximum reached)", " (maximum atteint)", ""},
    /* LblNoVectorsPair */
    {"no vectors pair found", "aucun couple de vecteurs", ""},
    /* LblNoteTests */
    {"For modified conditions, previous tests are taken into account",
     "Pour les conditions modifiees, les tests precedents sont pris en compte",
     QT_TRANSLATE_NOOP("Cio message",
                       "For modified conditions, previous tests are taken into account")},
    /* LblNoteTestsAndGroups */
    {"For modified conditions, previous tests and services are taken into account",
     "Pour les conditions modifiees, les tests et services precedents sont pris en compte",
     QT_TRANSLATE_NOOP(
         "Cio message",
         "For modified conditions, previous tests and services are taken into account")},
    /* LblNoteGroups */
    {"For modified conditions, previous services are taken into account",
     "Pour les conditions modifiees, les services precedents sont pris en compte",
     QT_TRANSLATE_NOOP("Cio message",
                       "For modified conditions, previous services are taken into account")},
    /* LblNothingHit */
    {"Coverage analysis : nothing was hit",
     "Analyse de couverture : aucune branche n'a ete executee",
     QT_TRANSLATE_NOOP("Cio message", "Coverage analysis : nothing was hit")},
    /* LblFileWord */
    {"File", "Fichier", QT_TRANSLATE_NOOP("Cio message", "File")},
    /* LblRootSummary */
    {"Root Summary", "Conclusion", QT_TRANSLATE_NOOP("Cio message", "Summary")},
    /* LblPathTraceTitle */
    {"Corvane(R) Velmora Coverage - Path trace", "Corvane(R) Velmora Coverage - Trace de chemin",
     ""},
    /* LblPathTraceTest */
    {"Test", "Test", ""},
}};
