#pragma once

// What the platform's failures say to the user, in French and UTF-8, the
// same whichever front-end shows them.

#include <string>
#include <string_view>

namespace messages {

inline constexpr char kNoText[]
    = "Le presse-papier ne contient pas de texte. Copiez d'abord un texte, puis recommencez.";
inline constexpr char kUnreadable[]
    = "Le presse-papier n'a pas pu être lu : le programme qui y a mis le texte ne répond pas ou s'est "
      "arrêté en cours de route. Copiez le texte à nouveau, puis recommencez. Le presse-papier n'a pas "
      "été modifié.";
// `program` is the file name of the program that owns the clipboard: it
// does not answer at all, or it answers but never hands its text over.
[[nodiscard]] inline std::string OwnerDoesNotAnswer(std::string_view program)
{
    return "Le presse-papier n'a pas pu être lu : le programme « " + std::string(program)
        + " », qui y a mis le texte, ne répond pas. Fermez-le, ou attendez qu'il réponde, puis recommencez. "
          "Le presse-papier n'a pas été modifié.";
}
[[nodiscard]] inline std::string OwnerKeepsTheText(std::string_view program)
{
    return "Le presse-papier n'a pas pu être lu : le programme « " + std::string(program)
        + " », qui y a mis le texte, ne le donne pas. Copiez le texte à nouveau, ou fermez « "
        + std::string(program) + " », puis recommencez. Le presse-papier n'a pas été modifié.";
}
inline constexpr char kTooLong[]
    = "Le texte du presse-papier est trop long : Brouillamine en prend au plus 1 Gio. Copiez un texte plus "
      "court, puis recommencez. Le presse-papier n'a pas été modifié.";
inline constexpr char kHeldOpen[]
    = "Le presse-papier n'a pas pu être lu : un autre programme le retient. Attendez un instant, puis "
      "recommencez. Le presse-papier n'a pas été modifié.";
inline constexpr char kNotWritten[] = "Le presse-papier n'a pas pu être modifié : un autre programme le "
                                      "retient. Attendez un instant, puis recommencez.";
// Wayland desktops let only the window with the keyboard write to the
// clipboard, and some say nothing when they refuse.
inline constexpr char kWindowNotActive[]
    = "Le presse-papier n'a pas été modifié : le bureau n'y laisse écrire que la fenêtre active, et "
      "Brouillamine ne l'était plus quand son résultat a été prêt. Restez dans sa fenêtre jusqu'à la fin de "
      "l'opération, puis recommencez.";
inline constexpr char kDesktopRefused[]
    = "Le presse-papier n'a pas pu être modifié : le bureau a refusé le nouveau texte, sans doute parce qu'une "
      "autre fenêtre est devenue active ou qu'un autre programme a copié au même moment. Copiez le texte à "
      "nouveau, puis recommencez.";
inline constexpr char kCopiedMeanwhile[]
    = "Le presse-papier n'a pas pu être modifié : un autre programme y a copié autre chose pendant "
      "l'opération, et ce nouveau contenu a été gardé. Recommencez si c'est lui qu'il faut traiter.";
inline constexpr char kOutOfMemory[]
    = "La mémoire ne suffit pas pour ce texte. Fermez d'autres programmes ou copiez un texte plus court, "
      "puis recommencez. Le presse-papier n'a pas été modifié.";
inline constexpr char kNoEditor[]
    = "Aucun éditeur de texte n'a pu être lancé. Installez un éditeur de texte "
      "ou choisissez-en un par défaut pour les fichiers texte, puis recommencez.";
// Windows starts only its own Notepad, an optional feature of Windows 11.
inline constexpr char kNoNotepad[]
    = "Le Bloc-notes de Windows n'a pas pu être lancé. S'il a été retiré, remettez-le : Paramètres > "
      "Applications > Fonctionnalités facultatives > Ajouter une fonctionnalité > « Bloc-notes », puis "
      "recommencez.";
inline constexpr char kEmptiedNotWritten[]
    = "Le presse-papier n'a pas pu être modifié : le système a refusé le nouveau texte, et le presse-papier "
      "est maintenant vide. Copiez le texte à nouveau, puis recommencez.";
inline constexpr char kWriteStopped[]
    = "Le presse-papier n'a pas pu être modifié : le système a arrêté l'écriture avant qu'elle commence, sans "
      "doute faute de mémoire. Le presse-papier n'a pas été modifié. Fermez d'autres programmes, puis "
      "recommencez.";
inline constexpr char kRefusedTextPutBack[]
    = "Le presse-papier n'a pas pu être modifié : le système a refusé le nouveau texte, sans doute trop long. "
      "Le texte que vous aviez copié y a été remis. Fermez d'autres programmes ou copiez un texte plus court, "
      "puis recommencez.";
inline constexpr char kNoWindow[]
    = "Brouillamine n'a pas pu ouvrir sa fenêtre. Fermez d'autres programmes, puis relancez Brouillamine.";
// In a browser, which may refuse a page the clipboard.
inline constexpr char kPageMayNotRead[]
    = "Le navigateur ne laisse pas cette page lire le presse-papier. Autorisez-la dans les réglages du site, "
      "ou collez le texte ici (Ctrl+V, ou appui long puis « Coller ») : la commande s'appliquera au texte "
      "collé.";
inline constexpr char kPageNoTextRead[]
    = "Le navigateur n'a trouvé aucun texte dans le presse-papier. S'il en contient un, collez-le ici (Ctrl+V, "
      "ou appui long puis « Coller ») : la commande s'appliquera au texte collé.";
inline constexpr char kPageTooLong[]
    = "Le texte du presse-papier est trop long pour un navigateur : Brouillamine y en prend au plus 170 millions "
      "de caractères. Copiez un texte plus court, ou utilisez Brouillamine sur un ordinateur, puis recommencez. "
      "Le presse-papier n'a pas été modifié.";
inline constexpr char kPageMayNotWrite[]
    = "Le navigateur ne laisse pas cette page écrire dans le presse-papier. Le résultat est ci-dessous : "
      "copiez-le (Ctrl+C, ou appui long puis « Copier »).";
inline constexpr char kPageFramed[]
    = "Brouillamine ne s'ouvre pas à l'intérieur d'une autre page, qui pourrait diriger vos clics sans que vous "
      "le voyiez. Ouvrez son adresse dans un onglet à elle.";
inline constexpr char kTabMayBeClosed[] = "La clé a été effacée. Vous pouvez maintenant fermer cet onglet.";
inline constexpr char kUnexpected[]
    = "L'opération n'a pas pu être menée à bien à cause d'une erreur inattendue du système. Recommencez ; "
      "si l'erreur revient, redémarrez le programme. Le presse-papier n'a pas été modifié.";
inline constexpr char kNotKept[]
    = "Le texte du presse-papier ne pourra pas être gardé après la fermeture du programme : collez-le "
      "maintenant là où vous en avez besoin, avant de fermer ce message.";
inline constexpr char kNoDisplay[] = "brouillamine : aucun affichage graphique n'est disponible ; "
                                     "lancez le programme depuis une session de bureau.\n";
// The title of every failure message.
inline constexpr char kTitle[] = "Brouillamine";

} // namespace messages
