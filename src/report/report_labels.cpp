#include "report/report_labels.h"

const ReportLabels kReportLabels = {{
    /* LblFunctions */
    {"Functions ...................", "Fonctions ...................", ""},
    /* LblServiceHit */
    {"Hit .........................", "Executee ....................", "Hit"},
    /* LblHitYes */
    {"   yes", "   oui", "yes"},
    /* LblHitNo */
    {"    no", "   non", "no"},
    /* LblFunctionsExits */
    {"Functions and exits .........", "Fonctions et sorties ........", "Functions and exits"},
    /* LblCalls */
    {"Calls .......................", "Appels ......................", "Calls"},
    /* LblStatementBlocks */
    {"Statement blocks ............", "Blocs d'instructions ........", "Statement blocks"},
    /* LblImplicitBlocks */
    {"Implicit blocks .............", "Blocs implicites ............", "Implicit blocks"},
    /* LblDecisions */
    {"Decisions ...................", "Decisions ...................", "Decisions"},
    /* LblLoops */
    {"Loops .......................", "Boucles .....................", "Loops"},
    /* LblAsyncBlocks */
    {"Asynchronous transfer block .", "Blocs asynchrones ...........",
     "Asynchronous transfer block"},
    /* LblBasicConditions */
    {"Basic conditions ............", "Conditions elementaires .....", "Basic conditions"},
    /* LblModifiedConditions */
    {"Modified conditions .........", "Conditions modifiees ........", "Modified conditions"},
    /* LblCompoundConditions */
    {"Multiple conditions .........", "Conditions composees ........", "Multiple conditions"},
    /* LblForcedModifiedConditions */
    {"Forced modified conditions ..", "Conditions modifiees forcees ",
     "Forced modified conditions"},
    /* LblForcedCompoundConditions */
    {"Forced multiple conditions ..", "Conditions composees forcees ",
     "Forced multiple conditions"},
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
    {"  none", " aucun(e)", "none"},
    /* LblNotInstrumented */
    {"   n/a", " n/a", "n/a"},
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
     "For modified conditions, previous tests are taken into account"},
    /* LblNoteTestsAndGroups */
    {"For modified conditions, previous tests and services are taken into account",
     "Pour les conditions modifiees, les tests et services precedents sont pris en compte",
     "For modified conditions, previous tests and services are taken into account"},
    /* LblNoteGroups */
    {"For modified conditions, previous services are taken into account",
     "Pour les conditions modifiees, les services precedents sont pris en compte",
     "For modified conditions, previous services are taken into account"},
    /* LblNothingHit */
    {"Coverage analysis : nothing was hit",
     "Analyse de couverture : aucune branche n'a ete executee",
     "Coverage analysis : nothing was hit"},
    /* LblFileWord */
    {"File", "Fichier", "File"},
    /* LblRootSummary */
    {"Root Summary", "Conclusion", "Summary"},
    /* LblPathTraceTitle */
    {"Corvane(R) Velmora Coverage - Path trace", "Corvane(R) Velmora Coverage - Trace de chemin",
     ""},
    /* LblPathTraceTest */
    {"Test", "Test", ""},
}};
