#pragma once
// The string table: every caption and message in English (ids 100-306 and
// the program's own additions from 307) with the Spanish text 300 higher,
// and the seven colour schemes (ids 2000-2604).

#include <QString>
#include <cstddef>

namespace bd {

struct StringEntry {
    int id;
    const char* text; // UTF-8
};

extern const StringEntry kStringTable[];
extern const std::size_t kStringTableSize;

// The raw entry; a null QString when the table has no such id.
QString loadResString(int id);
bool hasResString(int id);

// The language offset of Spanish: its text of English id n is entry n + 300.
constexpr int kSpanishOffset = 300;

// The English ids the program refers to by name (Spanish at id + 300).
enum class Str : int {
    None = 0, // no message: a text of its own, or nothing went wrong
    // Captions and labels.
    BrowseCaption = 100,
    Ingredients = 102, // the headings of a recipe's parts ...
    Preparation = 103,
    SpecialNotes = 104,
    RemoveButton = 107,
    PrepTime = 108, // ... and of its times and yield
    CookTime = 109,
    Yield = 110,
    AddImageButton = 132,
    SaveAs = 138,              // the plain-text view's save dialog
    NewCategoryEntry = 162,    // the list entry that asks for a new category
    ChooseExportRecipes = 169, // the pages of the export and import wizards
    ExportPictures = 174,
    FileNameLabel = 176,
    LocateImportFile = 177,
    ChooseImportRecipes = 181,
    ImportPictures = 183,
    RecipesFound = 189, // after the number of search results
    AboutCaption = 217,
    Version = 218,
    AboutText = 219,
    EmailIntro = 248, // the e-mail's first line and its subject
    EmailSubject = 249,
    EmailSending = 252,
    EmailStatus = 253,
    BackupDialogTitle = 285,
    BackupFileName = 286,  // the backup's proposed file name
    AddImageItem = 292,    // the picture's context menu entry: choose one ...
    RemoveImageItem = 299, // ... or remove it
    // Messages and prompts, by their English ids.
    NewCategoryName = 163, // the question for a new category's name
    NoCategoryChosen = 164,
    NoTitle = 165,
    TitleChars = 166, // a title holds a forbidden character
    TitleTaken = 167,
    ConfirmDeletion = 168,
    NothingToExport = 172,
    NoExportFile = 173,
    FileExists = 175, // overwrite the chosen file?
    NoImportFile = 180,
    NothingToImport = 182,
    ImportDone = 184,
    ImportCorrupt = 185,
    ImportFileInvalid = 186,
    CategoryExists = 192,
    PictureTypeWrong = 193,
    PictureUnreadable = 197, // a chosen picture is gone or empty
    TitleClash = 200,        // the import's question for a new title ...
    TitleClashAsk = 201,
    NewTitleDefault = 202, // ... and its proposed answer
    ExportDone = 215,
    ExportFailed = 216,
    EmailAddressInvalid = 244,
    EmailFieldsMissing = 245,
    EmailNoRecipe = 246,
    CategoryHasRecipes = 259,
    RenameCategory = 261,
    HelpNotFound = 262,
    BookInvalid = 263, // offer to start an empty book
    OperationCancelled = 283,
    BackupDone = 284,
    CategoryChars = 295, // a category name holds a forbidden character
    EmailSent = 242,
    EmailNotSent = 243, // the relay answered, but did not send
    NoConnection = 297,
    PictureCorrupt = 300,
    PictureInBookFolder = 301,
    FileAccessError = 302,
    BackupPicturesExist = 303,
    BackupPicturesAsk = 304,
    PrimaryBookRefused = 305,
    PrimaryBookNotImported = 306,
    // The program's own additions.
    WebAddressPlain = 220, // the maker's web address without scheme
    WebAddress = 221,      // the maker's web address, clickable
    SaveFailed = 307,      // the book could not be written
    BadBookKeptAs = 308,   // an unreadable book was set aside as ...
    BadBookNotMoved = 309, // ... or could not be set aside
    BookNotCreated = 310,  // no book could be created in the folder
    BtnYes = 311,
    BtnNo = 312,
    BtnOk = 313,
    BtnCancel = 314,
    BtnRetry = 315,
    HelpTitle = 316,
    CopyingPictures = 320,     // the backup copies the pictures
    BookInUse = 390,           // another copy of the program has the book open
    PictureNotStored = 391,    // a picture could not be copied into the images folder
    TextFileNotSaved = 340,    // a plain-text file could not be written
    PrintPageNotWritten = 370, // the print page could not be written
    ExportCancelled = 350,     // the export stopped by the user, done part kept
    ImportCancelled = 351,
    Exporting = 352, // progress of the export and the import
    Importing = 353,
    PictureNotCopied = 354,  // the import stopped at a picture it could not copy
    ImportedCategory = 700,  // the category of imported recipes that name none
    RecipeBooksFilter = 701, // the file types of the import's file dialog
    MealMasterFilter = 702,
    AllFilesFilter = 703,
    ImportedCount = 704, // the last message of a MealMaster import
    SkippedCount = 705,
    UnreadableLines = 706,
    AndMore = 707,
    CookbookTitle = 740, // the cover's title when the cook gives none
    CookbookContents = 741,
    CookbookIndex = 742,
    CookbookRecipeCount = 743,
    CookbookFilter = 744, // file types of the export's file dialog
    WebPageFilter = 745,
    ExportOptions = 746,      // header of the export wizard's options page
    MealMasterEncoding = 747, // ... its question and choices for each format
    EncodingUtf8 = 748,
    EncodingWindows1252 = 749,
    CookbookLayout = 750,
    RecipePerPage = 751,
    RecipesFlowOn = 752,
    WebPictures = 753,
    WebPicturesFolder = 754,
    WebPicturesEmbedded = 755,
    WebPicturesNone = 756,
    PrintCategory = 757, // File > Print Category... of the browse window
    PrintCategoryTip = 758,
    UntitledRecipe = 710,   // a recipe read without a title
    MasterCookFilter = 711, // more file types of the import's file dialog
    RecipeMLFilter = 712,
    CooklangFilter = 714,
    NoteBy = 715, // lines of the notes of a recipe read from another program's file
    NoteCategories = 716,
    NoteKeywords = 717,
    NoteSource = 718,
    NoteTotalTime = 719,
    NoteCuisine = 720,
    NoteServings = 721,
    AlreadyInBook = 722,    // after a check-list entry whose recipe the book holds
    WebAddressButton = 723, // the button and question of an import from a web page
    WebAddressPrompt = 724,
    WebNoConnection = 725, // what went wrong when a page was fetched
    WebHttpError = 726,
    WebNoRecipe = 727,
    WebTimeout = 728,
    WebTooLarge = 729,
    NotWebAddress = 730,
    AllRecipeFilesFilter = 731,
    Downloading = 732,
    BookUnreadableOutside = 800,
    OutsideChangesKept = 801,
    OutsideConflictKept = 802,
    TrashUnreadable = 803,
    TrashNotSaved = 804,
    DeletedRecipesMenu = 805,
    DeletedRecipesCaption = 806,
    ColumnTitle = 807,
    ColumnCategory = 808,
    ColumnRemoved = 809,
    RestoreButton = 810,
    EmptyTrashButton = 811,
    CloseButton = 812,
    EmptyTrashQuestion = 813,
    RestoreSnapshotMenu = 814,
    SnapshotsCaption = 815,
    ColumnTaken = 816,
    ColumnRecipes = 817,
    RestoreSnapshotQuestion = 818,
    SnapshotRestored = 819,
    ConflictCopyFound = 820,
    SnapshotUnreadable = 821,
    BookReloadFailed = 823,
    OutsideRecipesConflict = 824, // recipes both sides changed: %1 their titles, then the conflict copy
    SnapshotDamaged = 825,        // why a snapshot cannot be restored: ... it is no (whole) book
    SnapshotNoAccess = 826,       // ... it cannot be opened
    OwnConflictCopyFound = 827,   // the offer of a conflict copy this program kept (%1 its name)
    CliAbout = 900,               // the command line's help and the mistakes it names
    CliOptHelp = 901,
    CliOptVersion = 902,
    CliOptDataDir = 903,
    CliOptExport = 904,
    CliOptCategory = 905,
    CliOptImport = 906,
    CliOptSkipClashes = 907,
    CliOptTitle = 908,
    CliOptPerPage = 909,
    CliOptWindows1252 = 910,
    CliOptSearch = 911,
    CliValueDir = 912,
    CliValueFile = 913,
    CliValueName = 914,
    CliValueText = 915,
    CliValueQuery = 916,
    CliGoesWith = 917,
    CliUnexpected = 918,
    CliDataDirEmpty = 919,
    CliOneCommand = 920,
    CliNeedsFile = 921,
    CliFiles = 922,
    CliTryHelp = 923,
    // Cooking with a recipe: the shown yield, the unit words the program
    // writes ("singular|plural"), the shopping list's groups (930-947).
    CookYieldWithOriginal = 930, // the new yield (%1) with the recipe's own (%2)
    CookUnitCup = 931,
    CookUnitTbsp = 932,
    CookUnitTsp = 933,
    CookUnitMl = 934,
    CookUnitL = 935,
    CookUnitG = 936,
    CookUnitKg = 937,
    CookUnitOz = 938,
    CookUnitLb = 939,
    CookUnitFlOz = 940,
    ShopProduce = 941,
    ShopDairy = 942,
    ShopMeatFish = 943,
    ShopBaking = 944,
    ShopSpices = 945,
    ShopOther = 946,
    ShoppingListHeading = 947,
    // --show and --shopping-list (948-959)
    CliOptShow = 948,
    CliOptServings = 949,
    CliOptMetric = 950,
    CliOptUs = 951,
    CliOptShoppingList = 952,
    CliValueTitle = 953,
    CliValueNumber = 954,
    CliNoRecipeTitled = 955,
    CliBadServings = 956,
    CliMetricOrUs = 957,
    CliNotScaled = 958,
    CliServingsFirst = 959,
    IngredientOr = 1340,       // an ingredient line with an alternative on the line below
    ReplacedCharacters = 1341, // the export's word on characters its encoding lacks (%1 how many)
    ReplacedCharacter = 1342,
    NotePicture = 1343, // the notes' line with the address of a picture that was not brought in
    NoteRating = 1370,  // more lines of the notes of a recipe read from another program's file
    NoteDifficulty = 1371,
    NoteNutrition = 1372,
    NoteWebPage = 1373,
    ImportNotPictures = 1374, // the import's word on pictures a file held that were no pictures (%1 how many)
    ImportNotPicture = 1375,
    ArchiveTooManyEntries = 1376, // why an archive (%1) was not read
    ArchiveTooLarge = 1377,
    ArchiveDamaged = 1378,
    ArchiveUnknown = 1379,
    JsonExportsFilter = 1380, // a file type of the import's file dialog
    NoteYield = 1390,         // lines of the notes of a recipe read from another program export (1390-1409)
    NoteInactiveTime = 1391,
    NoteOven = 1392,
    NoteCopyright = 1394,
    NoteReview = 1396,
    NoteTime = 1397,
    NoteFavourite = 1399,
    NoteCollections = 1400,
    LivingCookbookFilter = 1401,
    MacGourmetFilter = 1402,
    ExportPagesFilter = 1403,
    OwnCookbookText = 1404,    // another program's own cookbook (%1 the file, %2 the program): export it as text first
    OwnCookbookPages = 1405,   // ... export it as web pages first
    SearchHowTo = 840,         // the search box's tool tip: how a search is written
    PicturesFilter = 770,      // file types of the picture dialog
    TextFilesFilter = 771,     // ... and of the plain-text view's save dialog
    PictureFolderLinked = 780, // exp_img at a backup's or export's place is a link
    PictureFolderNotReplaced = 781, // the new exp_img could not take the old one's place
    BookReadOnly = 782,             // a change refused: the book is open read-only
    ReadOnlyAtStart = 783,          // said at start-up when no lock can be written
    LockHeldBy = 784,               // who holds the book's lock: computer, program, since
    LockHolderLines = 785,
    OpenAnyway = 786,           // ... and the question to open it anyway
    LockUnreadable = 787,       // the lock file cannot be read
    ExportIntoBookFolder = 788, // an export's file is in the book folder
    LockIsNoFile = 789,         // a folder (or another thing) stands where the lock file goes
    // The cookbook's cover and the command line (860-899).
    CookbookOneRecipe = 860, // the cover's count of a book of one recipe
    // What the command line says (861-896).
    CliNotExportType = 861,
    CliExportIsBook = 862,
    CliExportInBookFolder = 863,
    CliNoBook = 864,
    CliBookUnreadable = 865,
    CliNoCategory = 866,
    CliNoCategories = 867,
    CliNotWritten = 868,
    CliPictureNotCopied = 869,
    CliExported = 870,
    CliOneCategory = 871,
    CliCategories = 872,
    CliFormatBook = 873,
    CliFormatMealMaster = 874,
    CliFormatCookbook = 875,
    CliFormatWebPage = 876,
    CliIntoItself = 877,
    CliNoFile = 878,
    CliNoRecipesIn = 879,
    CliBookHeld = 880,
    CliNoLock = 881,
    CliLockNotFile = 882,
    CliNotImported = 883,
    CliRecipeUnreadable = 884,
    CliFileImported = 885,
    CliRenamed = 886,
    CliSkipped = 887,
    CliSkippedClashes = 888,
    CliUnreadableRecipes = 889,
    CliNotSaved = 890,
    CliImported = 891,
    CliUnknownError = 892,
    CliCannotRead = 893,
    CliIsFolder = 894,
    CliEmptyCategories = 895,
    CliEmptyBook = 896,
    // Cooking with a recipe (960-999).
    ServingsWord = 960,
    ScaleTip = 961,
    UnitsAsWritten = 962,
    UnitsMetric = 963,
    UnitsUS = 964,
    UnitsTip = 965,
    AsWrittenTip = 966,
    SaveScaledMenu = 967,
    SaveScaledPrompt = 968,
    CookMenu = 969,
    CookCaption = 970,
    StepOf = 971,
    StepPrevious = 972,
    StepNext = 973,
    CookLeave = 974,
    TimersHeading = 975,
    TimerStart = 976,
    TimerDone = 977,
    TimerStop = 978,
    CookKeys = 979,
    ShopMenu = 980,
    ShopCaption = 981,
    ShopFind = 982,
    ShopAdd = 983,
    ShopRemove = 984,
    ShopChosen = 985,
    ShopList = 986,
    ShopCopy = 988,
    ShopSave = 989,
    ShopPrint = 990,
    ShopEmail = 991,
    UnitsLabel = 992,
    ShopEmpty = 993,
    ShopForRecipes = 994,
    ShopServingsTip = 995,
    CookTip = 996,
    ServingsHeading = 999,
    PasteMenu = 1410, // Tools > Paste a Recipe and its window
    PasteCaption = 1411,
    PasteHowTo = 1412,
    PasteFill = 1413,
    PasteCancel = 1414,
    NowYoureCookingFilter = 1415, // more file types of the import's file dialog
    SaffronFilter = 1416,
    CsvRecipesFilter = 1417,
    RezKonvFilter = 1418,
    NoteDescription = 1419, // more lines of the notes of a recipe read from another program's file
    NoteCookbook = 1421,
    NoteSection = 1422,
    NoteTags = 1425,
    NoteCourse = 1426,
    NotePhoto = 1427,
};

// Text of English id in the language langOffset names (0 English, 300
// Spanish): entry langOffset + id. The current language's text is
// fetchText(id) of app/base/text.h.
QString fetchText(Str id, int langOffset);

} // namespace bd
