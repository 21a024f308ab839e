#!/usr/bin/env python3
"""Writes the two help books (tarnwick/ and sondrel/) from the page texts below.

The build runs it: `make-help.py OUTDIR` writes the books under OUTDIR, `make-help.py --list`
names the files it writes. A page is named after the window procedure it describes; F1 and
the "Help" buttons open it.
"""
import html
import os
import sys

F1 = "Press F1 or the Help button in any window to open its page of this book."
REPORT = ("While the records are read a window titled \"Progress...\" shows how far the "
          "report has come; \"Cancel\" stops it. The pages then open in the print preview, "
          "where you can page through them, print all pages or only \"Pages To Print\", and "
          "close the preview. The preview remembers its place on the screen.")
F9 = ("To resize columns, use mouse on vertical lines. To reset use F9 key. The list remembers "
      "your column widths the next time the window opens.")
OVERWRITE = ("This record will be overwritten the next time you read in the web page. "
             "Therefore it is not advisable to update or change this record.")
PAGE_PATH = ("The complete path of the page as listed under the domain. Include the page name "
             "in the path.")
DOMAIN_TIP = "This is the actual domain name that you have registered."


class Page:
    def __init__(self, name, title, about, items=(), notes=(), see=(), aliases=()):
        self.name = name          # the procedure: the file is <name>.html
        self.title = title        # the heading
        self.about = about        # paragraphs: what the window is for
        self.items = items        # (control, help text) pairs
        self.notes = notes        # further paragraphs
        self.see = see            # names of related pages
        self.aliases = aliases    # further procedure names that open this page


def ref(name):
    """A mention of another page, written as a link to it with its title."""
    return f"[[{name}]]"


def report(name, title, prints, called_by, see=()):
    return Page(name, title, [prints, called_by, REPORT],
                [("Cancel", "Stops reading records; what has been read so far is shown.")],
                see=see)


def browse_buttons(thing, form):
    return [
        ("&Insert", f"Adds a new {thing} in the form {ref(form)}."),
        ("&Change", f"Changes the highlighted {thing} in the form {ref(form)}."),
        ("&Delete", f"Deletes the highlighted {thing} after you confirm it."),
        ("Close", "Closes the window."),
        ("Help", "Opens this page."),
    ]


def detail_view(name, title, what, caption, fields, extra=()):
    return Page(
        name, title,
        [f"Shows one {what} that was read from a web page. The caption reads "
         f"\"{caption}\". The fields can be edited and OK writes the record back, but:",
         OVERWRITE,
         "The form only views and changes records: asked to add or delete one it says "
         "\"Invalid Request\" and closes."],
        list(fields) + list(extra) + [("OK", "Writes the record back."),
                                      ("Cancel", "Closes the form without saving."),
                                      ("Help", "Opens this page.")])


def detail_browse(name, title, what, form, printer, extra=()):
    return Page(
        name, title,
        [f"Lists the {what} of the web page that is current in the page form. Only the records "
         "whose page path equals the page's path are shown.",
         "Records are made by \"Auto Read Web Page\" in the page form; they are not added or "
         "deleted here.", F9],
        [("&View Detail", f"Opens the highlighted record in the form {ref(form)}."),
         (printer[0], f"Prints them: {ref(printer[1])}.")] + list(extra) +
        [("Close", "Closes the window."), ("Help", "Opens this page.")],
        see=[form, printer[1], "updatewebpages1"])


def cross_view(name, title, what, queries, form, listing):
    return Page(
        name, title,
        [f"Lists the {what} of every page of every domain in page-path order, so that you can "
         "search them all at once: for example every page that uses a given image or links to "
         "a given address."],
        [("&Find By..", "Use Find By to select specific records. The query window asks for "
          + ", ".join(f"\"{q}\"" for q in queries) + "; the list then shows only the records "
          "that match. Letter case does not matter."),
         ("&View Details", f"Opens the highlighted record in the form {ref(form)}."),
         ("Print Selected Records", "Use \"Find By...\"  to select records, then click to "
          f"print. The listing {ref(listing)} prints the records of your last query."),
         ("Close", "Closes the window."), ("Help", "Opens this page.")],
        see=[form, listing])


def listing(name, title, what, caller):
    return report(name, title,
                  f"Prints the {what} that your last \"Find By\" query selected.",
                  f"Started by \"Print Selected Records\" or the print button of {ref(caller)}.",
                  see=[caller])


# ---- tarnwick ----------------------------------------------------------------------------

def using_help():
    """The page behind the Help menu's "How to Use Help"."""
    return Page("usinghelp", "How to Use Help", [
        "This book has a page for every window of the program. " + F1 + " \"Contents\" in "
        "the Help menu opens the list of all pages.",
        "Underlined words are links: click one to go to that page. Every page starts with a "
        "link back to the contents.",
        "The list at the left is the index of the book. Type a word into the field \"Search "
        "for:\" (\"Search for Help On...\" in the Help menu puts you there) and the list keeps "
        "only the topics whose title or text holds every word you typed. Press Enter to open "
        "the first of them, or move to the list with Tab and open a topic with Enter or a "
        "double-click.",
        "Press Escape to close the help window."])


TARNWICK = [
    ("Getting started", [
        Page("Main", "Tarnwick Main Menu",
             ["Tarnwick keeps the records of your domain names: registration, contacts, "
              "hosting, costs, e-mail accounts, and the web pages of each site with their "
              "links, images, meta tags, scripts and forms.",
              "Every window you open from the menu runs on its own, so you can keep several "
              "open at once. " + F1],
             [("&File / &RuDerudoz Oridi", "Opens the RuDerudoz Oridi, the button panel of "
               "your own programs. The check mark says whether it also opens when Tarnwick "
               "starts."),
              ("&File / &Print Setup ...", "Setup printer."),
              ("&File / E&xit", "Exit this application."),
              ("&Main Work Area: By Domain (F5)", "Browse Main file to house your domain data."),
              ("&Hosts File (F6)", "Browse ISP hosts file (where the domains are hosted.)"),
              ("&Registrar Companies File (F7)", "The company that registered your domain "
               "name for the internet."),
              ("&QuickView Web Page Data (F8)", "All web pages of all domains at a glance."),
              ("Cross Reference Web Page Data", "Search the images, forms, links, meta tags "
               "or scripts of every page."),
              ("&Reports", "Print the domains, hosts or registrars (in record order), the "
               "hosting profile report (compares features of hosts), the reminder window and "
               "its report, the web pages and the images of a domain."),
              ("Utilities", "Configure the RuDerudoz Oridi, delete the web pages of a domain, "
               "change the pages of a domain globally, rebuild indexes, open the reminder "
               "window, run the File Fixer Utility and start the Sondrel page reader."),
              ("&Help", "This book, the documents \"Policy: Returns and Support\" and "
               "\"Useful Links\", and \"About TW\".")],
             ["The first thing you pick in the menu closes the start-up windows (the about "
              "box, the reminders) if they are still open.",
              "The menu item \"Sondrel Program\" is available only when the page reader is "
              "present in the working directory."],
             see=["splash", "BrowseDomains", "notice", "tarnfix"]),
        Page("splash", "About Tarnwick",
             ["Shows the program's name and version. It opens when Tarnwick starts and from "
              "\"About TW\" in the Help menu.",
              "It closes by itself after 8 seconds, when you click it, or when you switch to "
              "another window."]),
        Page("notice", "Domain Reminders: Due In 30 Days or Less",
             ["This window shows either Registrar Renewals or Hosting Renewals that may occur "
              "in the next 30 days. Please note the domains listed.",
              "A domain is listed when its renewal date lies between today and 30 days from "
              "today. When Tarnwick starts it opens this window once for each domain that is "
              "due. The list cannot be changed here: change the renewal date in the domain "
              "form."],
             [("&Print", f"Prints the domains that are due: {ref('PrintDomains2')}."),
              ("Close", "Closes the window."), ("Help", "Opens this page.")],
             see=["PrintDomains2", "UpdateDomains"]),
    ]),
    ("Domains", [
        Page("BrowseDomains", "Browse the Domains File",
             ["The main work area: every domain you keep, in order of its name. From here you "
              "add, change and delete domains and reach their web pages, the hosting "
              "companies and the registrar companies.", F9],
             [("Domain Name:", "This is the actual domain name that you have registered. "
               "Enter the complete domain name that you have registered.  An example entry "
               "would be: http://www.example.com (even though example.com is the offical name "
               "putting the entire address in is OK.) The list moves to the first name at or "
               "after what you type.")]
             + browse_buttons("domain", "UpdateDomains")[:3] +
             [("Web Pages", "Opens the web pages of the highlighted domain."),
              ("Hosts", "Opens the hosting companies."),
              ("Registrars", "Opens the registrar companies.")]
             + browse_buttons("domain", "UpdateDomains")[3:],
             ["Deleting a domain also deletes its web pages and everything read from them."],
             see=["UpdateDomains", "BrowseWebPages", "BrowseHosts", "BrowseRegistrars"]),
        Page("UpdateDomains", "Update the Domains File",
             ["The form of one domain. The caption says \"Record will be added\" or \"Record "
              "will be Changed\". Two domains cannot have the same name."],
             [("Set Up", "Domain Name: the bare registered name, without the \"http://www.\" "
               "part. Date Started, Owner Name, the Registrar Company (chosen from your "
               "registrar companies), Reg Login and Reg Login Pwd, and the Renewal Date, "
               "which the reminder window watches."),
              ("Admin.", "Contact and technical persons with their passwords, the Hosting "
               "Company (chosen from your hosts), Host Date, the host's admin login and the IP "
               "addresses. Mail To:  Click to send mail to address shown. Web: Click to call "
               "browser with address shown (\"http://www.\" followed by the address)."),
              ("Costs", "One-time fees and monthly costs, each with a description. Whenever "
               "you leave a cost field the Non Monthly Total and the Monthly Total are added "
               "up again; a total typed by hand is replaced by the sum."),
              ("Email Accounts", "Five POP3 accounts, each with an optional address to forward "
               "its mail to. Mail To = Click to send mail to address shown. Forwarding mail is "
               "optional.  But if you choose to forward mail for an address, then put the "
               "forward to address next to the real address."),
              ("Special TW Data", "The following data fields are extremely important to your "
               "proper operation of the Tarnwick program.  Please complete these fields for "
               "each domain in the database."),
              ("Default Local Dir:", "Be sure to include drive letter in path. This is the "
               "local path where the HTML pages for this domain are kept.  Provide the "
               "complete path including drive letter, and all subdirectories with path. When "
               "the directory does not exist you are asked whether to create it (only 1 level "
               "deep)."),
              ("Default Web Path:", "This is where the pages are kept. It should contain the "
               "exact path: the complete path where the hosting service keeps the pages, for "
               "example http://www.example.com/pages."),
              ("Notes", "These are free form (brief) notes about the domain."),
              ("OK", "Saves the domain."), ("Cancel", "Closes the form without saving."),
              ("Help", "Opens this page.")],
             see=["BrowseDomains", "BrowseRegistrars", "BrowseHosts"]),
        report("PrintDomains", "Print the Domains File",
               "Prints every domain with its registration, contacts, hosting and e-mail "
               "accounts, in the order the records were entered.",
               "Started from \"Print the &Domains File\" in the Reports menu."),
        report("PrintDomains2", "Domains due for renewal",
               "Prints the domains whose renewal date lies between today and 30 days from "
               "today.", "Started by \"&Print\" in the reminder window.", see=["notice"]),
    ]),
    ("Registrars and hosts", [
        Page("BrowseRegistrars", "Browse the Registrars File",
             ["The companies that register domain names for you. Their names fill the "
              "registrar list of the domain form. Type the first letter of a name to move "
              "to it.", F9],
             browse_buttons("registrar", "UpdateRegistrars")[:3]
             + [("&Print Registrars", "Prints every registrar company.")]
             + browse_buttons("registrar", "UpdateRegistrars")[3:],
             see=["UpdateRegistrars", "PrintRegistrars"]),
        Page("UpdateRegistrars", "Update the Registrars File",
             ["The form of one registrar company. Fields marked * are OPTIONAL information."],
             [("Currently Use", "Do you currently use this registar company?"),
              ("Company Name:", "The company's name; two companies cannot have the same name."),
              ("URL:", "The company's web address."),
              ("Web", "Web: Click to call browser with address shown."),
              ("Regular Fee:", "This is the regular annual fee for one domain name."),
              ("Renewal Time:", "This is the renewal period for a domain name."),
              ("Notes", "Notes about this registar company."),
              ("OK", "Saves the company."), ("Cancel", "Closes the form without saving."),
              ("Help", "Opens this page.")],
             ["Renaming or deleting a company does not change the domains that name it."],
             see=["BrowseRegistrars"]),
        report("PrintRegistrars", "Print the Registrar Companies",
               "Prints every registrar company in order of its name.",
               "Started from the Reports menu or by \"&Print Registrars\"."),
        Page("BrowseHosts", "Browse the Hosts File",
             ["The hosting companies and plans where your domains are hosted. Their names "
              "fill the host list of the domain form. Type the first letter of a name to move "
              "to it.", F9],
             browse_buttons("host", "UpdateHosts")[:3]
             + [("&Print All Hosts", f"Prints the highlighted host: {ref('PrintHosts')}.")]
             + browse_buttons("host", "UpdateHosts")[3:],
             see=["UpdateHosts", "PrintHosts", "comparisons"]),
        Page("UpdateHosts", "Update the Hosts File",
             ["The form of one hosting company or plan: address, support, e-mail services, "
              "costs and features. When you press OK Tarnwick also keeps a web link and an "
              "e-mail link of the host up to date."],
             [("Main Data", "Host name, contact, address and URL. Web: Click to call browser "
               "with address shown."),
              ("Support", "The support e-mail address (\"< MailTo\" writes to it) and voice "
               "support."),
              ("EMail", "Number of POP3 accounts, SMTP, who administers e-mail, forwarding and "
               "web mail."),
              ("Costs", "Fee Monthly, Fee Setup and ECom Cost add up to the Total Monthly Cost "
               "whenever you leave one of them. Note: These costs are for hosting comparison "
               "purposes and are not transferred to the Domains file. The Domain records have "
               "their own costing screen."),
              ("Standard Features", "Internet access, downloads, e-commerce and the operating "
               "platforms."),
              ("SiteManagement", "CGI and scripting, statistics, access control, backups, "
               "disk space and data transfer."),
              ("Notes", "Free style brief notes about this host."),
              ("OK", "Saves the host."), ("Cancel", "Closes the form without saving."),
              ("Help", "Opens this page.")],
             see=["BrowseHosts", "comparisons"]),
        report("PrintHosts", "Print the Hosts File",
               "Prints the host that is highlighted in the host browse: address, contact "
               "numbers, mail services and fees.",
               "Started from the Reports menu or by \"&Print All Hosts\"."),
        report("comparisons", "Hosting Profile Report",
               "Prints the whole profile of every host, so that you can compare plans: costs, "
               "e-mail and internet access, features, operating systems and extensions.",
               "Started from \"Hosting &Profile Report\" in the Reports menu."),
    ]),
    ("Notes", [
        Page("BrowseNotes", "Notes File",
             ["Your dated notes to yourself. A note marked as a reminder pops up when Tarnwick "
              "starts; then this window lists only the reminder notes. Opened from the "
              "RuDerudoz Oridi it lists all notes. Reminder notes carry the note icon."],
             browse_buttons("note", "Updatednotes")
             + [("&Print Notes", "Print notes in DATE order.  Use \"Pages To Print\" in print "
                 "preview to select the date ranges of notes you wish to actually print on "
                 "paper. (All notes are shown in preview mode.)")],
             see=["Updatednotes", "printnote"]),
        Page("Updatednotes", "Notes To Myself",
             ["The form of one note. A new note starts with today's date."],
             [("Topic:", "What the note is about."),
              ("Note", "The note itself."),
              ("Date:", "Usually this is the date you entered the note."),
              ("Use as a Reminder?", "Is this note to be used as a reminder? (Reminders will "
               "pop-up when program is started.)"),
              ("OK", "Saves the note."), ("Cancel", "Closes the form without saving."),
              ("Help", "Opens this page.")],
             see=["BrowseNotes"]),
        report("printnote", "Tarnwick Notes", "Prints every note in order of date and topic.",
               "Started by \"&Print Notes\" in the notes window.", see=["BrowseNotes"]),
    ]),
    ("RuDerudoz Oridi", [
        Page("cpanel2", "RuDerudoz Oridi: Tarnwick",
             ["A panel of buttons that start your own programs: browser, e-mail, FTP, "
              "graphics editor, HTML editor, text editor and three programs of your choice, "
              "plus your notes. A button is available only when its program has been set up "
              "(Utilities, Configure RuDerudoz Oridi).",
              "Open it from the File menu; the menu item's check mark decides whether it also "
              "opens when Tarnwick starts."],
             [("Notes", "Opens your notes.")],
             see=["controlpanel", "BrowseNotes"]),
        Page("browsecpanel", "RuDerudoz Oridi Set Up",
             ["If there are no records showing, then press the Insert button.  If there is a "
              "record showing, then press the Change button. Only ONE Record Allowed."],
             browse_buttons("set-up record", "controlpanel"),
             see=["controlpanel"], aliases=["ConfigureControlPanel"]),
        Page("controlpanel", "Set Up \"RuDerudoz Oridi\" integrated program functions.",
             ["Here you tell the RuDerudoz Oridi which programs its buttons start. The panel "
              "is opened from the main menu's File menu, item RuDerudoz Oridi, which works as "
              "a toggle.",
              "You may change any of the program actions any time you need to. The changes "
              "will become effective after you save this record."],
             [("My Browser:", "The complete path of your web browser."),
              ("My E-Mail:", "The complete path of your e-mail program."),
              ("My FTP:", "The complete path of your FTP program."),
              ("My Graphics Ed:", "The complete path of your graphics program."),
              ("My Editor:", "Your HTML editor program: the complete path of the program; it "
               "may carry its command-line switches. The web-page form opens pages with it."),
              ("My Text Ed:", "The complete path of your text editor; the web-page form shows "
               "HTML source with it."),
              ("My User 1: to My User 3:", "Programs of your own choice."),
              ("My User 1 Title: to My User Title 3:", "The caption of the user's button. The "
               "maximum length is 10 characters."),
              ("...", "Looks for the program with a file dialog."),
              ("OK", "Saves the settings and applies them at once."),
              ("Cancel", "Closes the form without saving."), ("Help", "Opens this page.")],
             see=["cpanel2"]),
        Page("cpwarn", "Close the RuDerudoz Oridi first",
             ["You must CLOSE the Control Panel before configuring it.  Thank you."]),
        Page("closit", "You can only have One (1)Control Panel Setup",
             ["You can only have one Control Panel Setup record.  You may change this record "
              "anytime. Thank you."]),
    ]),
    ("Web pages", [
        Page("BrowseWebPages", "Browse the Web Pages File",
             ["The web pages of your domains. The tab \"By DomainName\" lists the pages of the "
              "domain you came from; \"By Page Name\" lists the pages of all domains.", F9],
             browse_buttons("page", "updatewebpages1")
             + [("&Print Web Page Listing", "Prints the pages of the highlighted page's "
                 "domain.")],
             see=["updatewebpages1", "listwebpages"]),
        Page("updatewebpages1", "Update the WebPages File",
             ["The form of one web page. \"Auto Read Web Page\" reads the page's local HTML "
              "file and records its title, links, images, meta tags, scripts and forms."],
             [("Currently Use", "Is this page in use now?"),
              ("Domain Name:", "This is the actual domain name. Choosing one also fills in "
               "its local directory. The domain needs its Default Local Dir and Default Web "
               "Path; you are told when they are blank."),
              ("Local Path:", "The path on THIS computer of the page.  Include the name of "
               "the page in the path. The page name and page path are filled in from it."),
              ("File Lookup", "Finds the page's local file with a file dialog."),
              ("Page Path:", PAGE_PATH),
              ("Web", "Click to open browser with URL shown. Clicking the underlined page "
               "path does the same."),
              ("Page Name:", "The HTML name of the page. Include any subdirectories if "
               "needed."),
              ("Author:", "Who designed the page."),
              ("Main Purpose:", "The main purpose of the page."),
              ("Implement Date:", "The date the page will become live on the site."),
              ("File Date && Time:", "The last update date of this page."),
              ("File Size:", "The size in bytes of the html file."),
              ("Html Page Title:", "Page title comes from HTML Page reading. If there is a "
               "title on the page, it will be entered in this field for you."),
              ("Links", "URL link to this page (from where?)"),
              ("Notes", "Brief notes about this page."),
              ("Auto Read Web Page", "This will read the web page html code and parse it into "
               "the respective databases. The old records of the page are replaced at once, "
               "even if you then cancel the form."),
              ("View HREF Links, View Image References, View Meta Tags, View Scripts, View "
               "Forms", "Button is active only if Auto Read Web Page has found this "
               "particular type of data in HTML page."),
              ("Edit Web Page", "Opens the page's local file in your HTML editor."),
              ("Browser View of Local Page", "Shows the page's local file."),
              ("Text Edit HTML Source", "Uses your text editor to view html source."),
              ("OK", "Saves the page."), ("Cancel", "Closes the form without saving the "
                                                     "page's own fields."),
              ("Help", "Opens this page.")],
             see=["BrowseLinks", "BrowseImages", "BrowseMeta", "browsescripts", "browseforms",
                  "controlpanel"]),
        report("webpagereport", "Web Pages Report",
               "Prints every web page of every domain, by domain and page name, with its "
               "paths, dates, links to it, title and notes.",
               "Started from \"Web Pages Report\" in the Reports menu."),
        report("listwebpages", "Report the WebPages File",
               "Prints the pages of one domain: the domain of the page highlighted in the web "
               "page browse, in order of page name.",
               "Started by \"&Print Web Page Listing\".", see=["BrowseWebPages"]),
        Page("BrowseWebPages2", "QuickView WebPages",
             ["Every web page of every domain in order of page name, without going through a "
              "domain. You may not add or delete records from this screen."],
             [("View", "Opens the highlighted page with everything read from it."),
              ("Close", "Closes the window."), ("Help", "Opens this page.")],
             see=["UpdateWebQV"]),
        Page("UpdateWebQV", "View the Web Pages File",
             ["Shows one web page with its fields and, on their own tabs, its meta tags, "
              "links, forms, images and scripts. The caption reads \"Viewing a WebPages "
              "Record\". The fields can still be changed; OK saves them."],
             [("Domain Name:", "The domain that houses this page."),
              ("Page Name:", "The HTML name of the page."),
              ("Use Now", "Is this page in use now?"),
              ("Page Path:", PAGE_PATH),
              ("Local Path:", "The path on THIS computer of the page.  Include the name of the "
               "page in the path."),
              ("Author:", "Who designed the page."),
              ("Purpose:", "The main purpose of the page."),
              ("Implement Date:", "The date the page will become live on the site."),
              ("File Date Time:", "The last update date of this page."),
              ("File Size:", "The size in bytes of the html file."),
              ("Link To 1: to Link To 5:", "URL link to this page (from where?)"),
              ("Html Page Title:", "Page title comes from HTML Page reading."),
              ("Notes:", "Brief notes about this page."),
              ("&View Detail", "Opens the highlighted meta tag, link, form, image or script."),
              ("OK", "Saves the page."), ("Cancel", "Closes the form."),
              ("Help", "Opens this page.")],
             see=["BrowseWebPages2"], aliases=["UpdateWebPages"]),
    ]),
    ("What a page contains", [
        detail_browse("BrowseLinks", "Browse the Web Pages Links File", "links", "UpdateWPLinks",
                      ("&Print All Links", "listlinks2"),
                      [("Domain Name:", DOMAIN_TIP)]),
        detail_browse("BrowseImages", "Browse Images Data File", "images", "UpdateWPIMG",
                      ("&Print All Images", "PrintImage2"),
                      [("Domain Name:", DOMAIN_TIP)]),
        detail_browse("BrowseMeta", "Browse the MetaTags File", "meta tags", "UpdateWPMeta",
                      ("&Print Meta Tags", "listmetas2"),
                      [("Select WebPages", "Picks another page whose meta tags to list.")]),
        detail_browse("browsescripts", "Browse the Scripts File", "script blocks (the first "
                      "five lines of each)", "UpdateWPScripts", ("&Print Scripts", "PrintScript")),
        detail_browse("browseforms", "Browse the Forms File", "form blocks (the first four "
                      "lines of each)", "UpdateWPForm", ("&Print Forms", "printform"),
                      [("Select WebPages", "Picks another page whose forms to list.")]),
        Page("SelectWebPages", "Select a WebPages Record",
             ["Pick one web page out of all pages of all domains: the window you came from then "
              "lists that page. The tabs order the list by domain and page name (\"Names\"), by "
              "page path (\"Path\") or by page name (\"Pages\"); type the first letter to move "
              "to it. Double-click a page, or press Enter, to select it."],
             [("Close", "Closes the window without selecting."), ("Help", "Opens this page.")]),
        detail_view("UpdateWPLinks", "Update the Links File", "link", "Viewing a Links Record",
                    [("Web Page Path Name:", PAGE_PATH),
                     ("Web Page Link:", "The address the link leads to.")]),
        detail_view("UpdateWPIMG", "Update the IMAGE Data File", "image reference", "Viewing an IMG Record",
                    [("Web Page IMG:", "The image as the page names it."),
                     ("Page Name:", PAGE_PATH),
                     ("Height:, Width:", "The size the page gives the image."),
                     ("Line Number:", "The line of the HTML file the image is on."),
                     ("Currently Use", "Is this image in use now?"),
                     ("Picture", "The graphic will begin near X, and extend towards right.  If "
                      "graphic is too big for screen, click Print button.")],
                    [("&Click to see Internet based image.", "Opens the image's web address "
                      "in your browser."),
                     ("&Print", "Print information: prints the image with its record.")]),
        detail_view("UpdateWPMeta", "Update the Meta Tags File", "meta tag", "Viewing a Meta Record",
                    [("Page Path:", PAGE_PATH), ("Meta Name:", "The name of the meta tag."),
                     ("Meta Contents:", "What the meta tag says.")]),
        detail_view("UpdateWPScripts", "Update the Scripts File", "script block", "Viewing a Scripts Record",
                    [("Page Path:", PAGE_PATH),
                     ("Script Line 1: to 40:", "Line can extend beyond width of field on "
                      "screen. The four tabs hold ten lines each.")]),
        detail_view("UpdateWPForm", "Update the Forms File", "form block", "Viewing a Form Record",
                    [("Page Path:", PAGE_PATH),
                     ("Form Line 1: to 40:", "The lines of the form block, on five tabs.")]),
        report("PrintScript", "Script Report",
               "Prints the script blocks of the page highlighted in the scripts window, all 40 "
               "lines of each.", "Started by \"&Print Scripts\".", see=["browsescripts"]),
        report("printform", "Form Report",
               "Prints the form blocks of the page highlighted in the forms window, all 40 "
               "lines of each.", "Started by \"&Print Forms\".", see=["browseforms"]),
        report("PrintImage", "Tarnwick: Web Page Image",
               "Prints the image shown in the image form, with its record.",
               "Started by \"&Print\" in the image form.", see=["UpdateWPIMG"]),
        report("PrintImage2", "Tarnwick: Web Page Image",
               "Prints every image of the page highlighted in the images window, each with "
               "its picture.", "Started by \"&Print All Images\".", see=["BrowseImages"]),
    ]),
    ("Cross reference", [
        cross_view("viewimages", "Cross Reference: Images", "images",
                   ["Domain Name", "Page Name", "Image Name"], "UpdateWPIMG", "listimages"),
        cross_view("viewforms", "Cross Reference: Forms", "forms",
                   ["Doinain Name", "Page Name", "Form Line 1 (up to 100 chars)"],
                   "UpdateWPForm", "listforms2"),
        cross_view("viewlinks", "Cross Reference: Links", "links",
                   ["Domain Name", "Page Name", "Link"], "UpdateWPLinks", "listlinks"),
        cross_view("viewmeta", "Cross Reference: Meta Tags", "meta tags",
                   ["Domain Name", "Page Name", "Meta name", "Meta Contents"], "UpdateWPMeta",
                   "listmetas"),
        cross_view("viewscripts", "Cross Reference: Scripts", "scripts",
                   ["Domain Name", "Page Name", "Script Line 1 (up to 100 chars)"],
                   "UpdateWPScripts", "listscripts"),
        listing("listimages", "Selected Images Listing", "images", "viewimages"),
        listing("listforms2", "Selected Forms Listing", "forms", "viewforms"),
        listing("listlinks", "Selected Links Listing", "links", "viewlinks"),
        listing("listlinks2", "Selected Links Listing", "links of the current page",
                "BrowseLinks"),
        listing("listmetas", "Selected Meta Tags Listing", "meta tags", "viewmeta"),
        listing("listmetas2", "Selected Meta Tags Listing", "meta tags of the current page",
                "BrowseMeta"),
        listing("listscripts", "Selected Script Listing", "scripts", "viewscripts"),
    ]),
    ("Maintenance", [
        Page("delpages", "Delete Web Pages By Domain Name",
             ["Enter the Domain Name whose web pages you wish to delete. Press the TAB key. "
              "Then press the RUN button. The web pages will then be deleted along with any "
              "records in related files such as meta, scripts, etc. Wait until process is "
              "finished, then CLOSE."],
             [("Domain Name:", "The complete registered domain name, without \"http://www.\" "
               "in front. (Press TAB after entry.)"),
              ("Run Deletions", "Deletes the pages; available once a domain name is entered. "
               "The bar, the status line and the page count show the progress."),
              ("Close", "Closes the window.")]),
        Page("ChgLoPaWindow", "Change Local Path Name in ALL Web Pages By Domain",
             ["Changes the local path of a domain and all of its pages. Enter the Domain Name. "
              "Then enter the new local path for the web pages."],
             [("Domain Name:", "The complete registered domain name, without \"http://www.\" "
               "in front."),
              ("New Local Dir:", "Be sure to include drive letter in path. The complete path "
               "is used in the Web Pages file."),
              ("Process Records Now", "Changes the pages; a progress window shows how far it "
               "has come."),
              ("Close Window", "Closes the window.")],
             see=["ChgLoPath"]),
        Page("ChgLoPath", "Changing Local Path",
             ["Rewrites the local path of every page of the domain, and the domain's Default "
              "Local Dir, while a window titled \"Processing Records\" shows the percentage "
              "done."], [("Cancel", "Stops the change; pages already changed stay changed.")]),
        Page("chgcurruse", "Change ALL Web Pages By Domain to Currently Use",
             ["Changes all web pages of a domain to currently use=Y. Enter the Domain Name.  "
              "Then all pages will be marked \"currently use\". You can later unmark any pages "
              "that are not in use."],
             [("Domain Name:", "The complete registered domain name, without \"http://www.\" "
               "in front."),
              ("Process Records Now", "Marks the pages."),
              ("Close Window", "Closes the window.")],
             see=["ChgLoPath1"]),
        Page("ChgLoPath1", "Marking pages in use",
             ["Marks every page of the domain as in use while a window titled \"Processing "
              "Records\" shows the percentage done."],
             [("Cancel", "Stops; pages already marked stay marked.")]),
        Page("preimgreport", "Print Images",
             ["Enter the Domain Name for the images you wish to print.   Then press OK."],
             [("Domain Name:", DOMAIN_TIP + " Enter the complete registered domain name; an "
               "entry with \"http://www.\" in front is also acceptable."),
              ("OK", f"Prints every image of the domain: {ref('PrintImage3')}.")],
             see=["PrintImage3"]),
        report("PrintImage3", "Tarnwick: Web Page Image",
               "Prints every image of one domain, each with its picture.",
               "Started by OK in the window \"Print Images\".", see=["preimgreport"]),
        Page("RebuildIndexes", "Rebuild Web Page Indexes (ALL)",
             ["Rebuilds indexes for web pages, scripts, forms, images, and links. A box lists "
              "the files first; press OK to start, and wait for the box \"Finished\".",
              "The Utilities menu also rebuilds the indexes of the domains, hosts and "
              "registrars files one at a time."], see=["tarnfix"]),
        Page("tarnfix", "File Fixer Utility",
             ["Checks every data file of the working directory and rebuilds its indexes. "
              "Close the other windows of Tarnwick and Sondrel first: a file that is open "
              "elsewhere is reported as in use.",
              "Press \"Check and Repair\". Each file is listed with its number of records and "
              "one of: \"OK\"; \"rebuilt\", when damaged indexes were mended; or what is wrong "
              "with it. Records are never changed or removed: a file that cannot be mended is "
              "left as it is, so that you can restore it from your copy."],
             [("Check and Repair", "Checks and repairs every data file."),
              ("Close", "Ends the utility.")]),
    ]),
    ("Using the help", [
        using_help(),
    ]),
]

# ---- sondrel -----------------------------------------------------------------------------

SONDREL_DETAIL = ("Adds or changes one record of what the page reader found in a web page. " +
                  OVERWRITE)


def sondrel_detail(name, title, fields):
    return Page(name, title, [SONDREL_DETAIL],
                list(fields) + [("OK", "Saves the record."),
                                ("Cancel", "Closes the form without saving."),
                                ("Help", "Opens this page.")],
                see=["UpdateWebPages"])


SONDREL = [
    ("Getting started", [
        Page("Main", "Tarnwick Sondrel Program",
             ["Sondrel reads every web page of a domain's local directory into the Tarnwick "
              "data files in one run, adding the domain when it is missing. Tarnwick starts it "
              "from its Utilities menu; both programs work on the same files.", F1],
             [("&Speed Read Pages", "Reads the pages of a domain."),
              ("Browse WebPages", "Browse the WebPages file of the domain just read."),
              ("Delete WebPages By Domain", "Deletes every page of a domain."),
              ("About Tarnwick", "Shows the program's name and version.")],
             see=["readpages", "BrowseWebPages", "delpages"], aliases=["SondrelProgram"]),
        Page("splash", "About Tarnwick",
             ["Shows the program's name and version. It closes by itself after 8 seconds, when "
              "you click it, or when you switch to another window."]),
    ]),
    ("Reading pages", [
        Page("readpages", "Read Multiple Web Pages",
             ["Use this Reader program when reading a site for the first time. Existing "
              "webpage records for the domain will be overwritten!",
              "Do These Simple Steps: Step 1: Enter the Domain Name that you wish to read in. "
              "Step 2: Enter the LOCAL directory where the pages are stored. Step 3: Enter an "
              "OPTIONAL sub directory where other html files may be stored. Step 4: Press the "
              "GO button to begin reading in your files.",
              "Do steps 1, 2 && 4 for the main directory. Then add the subdirectories (step 3) "
              "as needed."],
             [("Domain Name:", "Enter just the domain name.  An example would be: example.com"),
              ("Default Local Dir:", "Be sure to include drive letter in path."),
              ("OPTIONAL Sub Directory:", "A directory inside the local directory."),
              ("Reading File:, File Count:", "The page being read and how many have been "
               "read."),
              ("GO!", "Pressing this button will start the process of reading in your pages."),
              ("OK, Close", "Close the window."), ("Help", "Opens this page.")]),
        Page("getdom", "Need a domain name...",
             ["The page browse always shows the pages of one domain. Please enter a domain "
              "name, then press Close to open the browse."],
             [("Please enter a domain name:", DOMAIN_TIP)], aliases=["BrowseChooser"]),
        Page("delpages", "Delete Web Pages By Domain Name",
             ["Enter the Domain Name whose web pages you wish to delete. Press the TAB key. "
              "Then press the RUN button. The web pages will then be deleted along with any "
              "records in related files such as meta, scripts, etc. Wait until process is "
              "finished, then CLOSE."],
             [("Domain Name:", DOMAIN_TIP + " An entry of the complete address with "
               "\"http://www.\" in front is also acceptable. (Press TAB after entry.)"),
              ("Run Deletions", "Deletes the pages; available once a domain name is entered."),
              ("Close", "Closes the window.")]),
    ]),
    ("Pages and what they contain", [
        Page("BrowseWebPages", "Browse the Web Pages File",
             ["Pages shown are for domain just read in. Use Tarnwick for general work."],
             browse_buttons("page", "UpdateWebPages"), see=["UpdateWebPages"]),
        Page("UpdateWebPages", "Update the Web Pages File (Use Tarnwick for better access)",
             ["The form of one page with the records read from it on the tabs MetaTags, "
              "Links, Forms, Images and Scripts; each list has its own Insert, Change and "
              "Delete buttons."],
             [("Use Now", "Is this page in use now?"),
              ("Implement Date:", "The date the page will become live on the site."),
              ("Link To 1: to Link To 5:", "URL link to this page (from where?)"),
              ("Html Page Title:", "Page title comes from HTML Page reading."),
              ("OK", "Saves the page."), ("Cancel", "Closes the form without saving."),
              ("Help", "Opens this page.")],
             see=["UpdateWPMeta", "UpdateWPLinks", "UpdateWPForm", "UpdateWPIMG",
                  "UpdateWPScripts"]),
        sondrel_detail("UpdateWPMeta", "Update the Meta Tags File",
                       [("Meta Name:, Meta Contents:", "The meta tag's name and what it says.")]),
        sondrel_detail("UpdateWPLinks", "Update the Links File",
                       [("Web Page Link:", "The address the link leads to.")]),
        sondrel_detail("UpdateWPForm", "Update the Forms File",
                       [("Form Line 1: to 40:", "The lines of the form block, on five tabs.")]),
        sondrel_detail("UpdateWPIMG", "Update the IMAGE Data File",
                       [("Web Page IMG:", "The image as the page names it."),
                        ("Height:, Width:", "The size the page gives the image.")]),
        sondrel_detail("UpdateWPScripts", "Update the Scripts File",
                       [("Script Line 1: to 40:", "Lines may extend beyond width of field on "
                         "screen. Just use your right arrow (in field) to scroll, or \"end "
                         "key\" to jump,  to end of line.")]),
    ]),
    ("Using the help", [
        using_help(),
    ]),
]

# ---- writing -----------------------------------------------------------------------------


def esc(text):
    return html.escape(text, quote=False)


def label(text):
    # The system marks keyboard shortcuts with "&"; a page shows the plain caption.
    return text.replace("&&", "\0").replace("&", "").replace("\0", "&")


def document(title, body):
    return ("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
            f"<title>{esc(title)}</title>\n"
            "<link rel=\"stylesheet\" type=\"text/css\" href=\"../help.css\">\n</head>\n<body>\n"
            + body + "</body>\n</html>\n")


def linked(text, known):
    out = esc(label(text))
    for name, title in known.items():
        out = out.replace(f"[[{name}]]",
                          f"\u201c<a href=\"{name}.html\">{esc(label(title))}</a>\u201d")
    assert "[[" not in out, out
    return out


def render(page, book, known):
    out = [f"<p class=\"nav\"><a href=\"index.html\">{esc(book)} help: Contents</a></p>\n",
           f"<h1>{esc(label(page.title))}</h1>\n"]
    out += [f"<p>{linked(p, known)}</p>\n" for p in page.about]
    if page.items:
        out.append("<h2>In this window</h2>\n<dl>\n")
        for name, text in page.items:
            out.append(f"<dt>{esc(label(name))}</dt>\n<dd>{linked(text, known)}</dd>\n")
        out.append("</dl>\n")
    out += [f"<p>{linked(p, known)}</p>\n" for p in page.notes]
    see = [s for s in page.see if s in known]
    if see:
        links = ", ".join(f"<a href=\"{s}.html\">{esc(label(known[s]))}</a>" for s in see)
        out.append(f"<p class=\"see\">See also: {links}</p>\n")
    return document(label(page.title), "".join(out))


def book_files(folder, sections):
    names = [p.name for _, pages in sections for p in pages]
    return [f"{folder}/{n}.html" for n in names + ["index"]] + [f"{folder}/aliases.txt"]


def write_book(out, folder, book, sections):
    path = os.path.join(out, folder)
    os.makedirs(path, exist_ok=True)
    known = {p.name: p.title for _, pages in sections for p in pages}
    aliases = []  # procedures that open another procedure's page
    contents = [f"<h1>{esc(book)} help</h1>\n", f"<p>{esc(F1)}</p>\n"]
    for heading, pages in sections:
        contents.append(f"<h2>{esc(heading)}</h2>\n<ul>\n")
        for p in pages:
            contents.append(f"<li><a href=\"{p.name}.html\">{esc(label(p.title))}</a></li>\n")
            with open(os.path.join(path, p.name + ".html"), "w", encoding="utf-8") as f:
                f.write(render(p, book, known))
            aliases.extend(f"{a}={p.name}\n" for a in p.aliases)
        contents.append("</ul>\n")
    with open(os.path.join(path, "index.html"), "w", encoding="utf-8") as f:
        f.write(document(f"{book} help", "".join(contents)))
    with open(os.path.join(path, "aliases.txt"), "w", encoding="utf-8") as f:
        f.write("".join(sorted(aliases)))


BOOKS = [("tarnwick", "Tarnwick", TARNWICK), ("sondrel", "Sondrel", SONDREL)]

if len(sys.argv) != 2:
    sys.exit("usage: make-help.py OUTDIR | --list")
if sys.argv[1] == "--list":
    print(";".join(f for folder, _, sections in BOOKS for f in book_files(folder, sections)))
else:
    for folder, book, sections in BOOKS:
        write_book(sys.argv[1], folder, book, sections)
